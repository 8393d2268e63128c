#include "app/dialogs/com_port_dlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "app/frame/modal.h"

CComPortDlg::CComPortDlg(std::vector<int> ports, QWidget* parent)
    : QDialog(parent), m_ports(std::move(ports)), m_list(new QComboBox(this)) {
    setWindowTitle(tr("Select the COM Port"));
    m_list->setAccessibleName(tr("COM port"));
    // The entries keep the list's order: entry i stands for port i.
    for (int port : m_ports) m_list->addItem(QStringLiteral("COM%1:").arg(port));
    if (!m_ports.empty()) {
        m_list->setCurrentIndex(0);
        m_chosen = m_ports.front();
    }
    connect(m_list, &QComboBox::currentIndexChanged, this, &CComPortDlg::onSelectionChanged);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(buttons);
}

void CComPortDlg::onSelectionChanged(int index) {
    if (index >= 0 && index < static_cast<int>(m_ports.size())) m_chosen = m_ports[static_cast<size_t>(index)];
}

bool CComPortDlg::Choose(const std::vector<int>& ports, QWidget* parent, int* chosen) {
    if (ports.empty()) return false;
    CComPortDlg dialog(ports, parent);
    if (nimbrel::RunModal(dialog) != QDialog::Accepted) return false;
    *chosen = dialog.ChosenPort();
    return true;
}
