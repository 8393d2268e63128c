#include "app/frame/radio_switch.h"

#include <QAction>
#include <QMenu>

#include "app/frame/modal.h"
#include "platform/bluetooth/bt_backend.h"
#include "tools/common/backend_choice.h"

QString RadioDescription() {
    const auto backend = bth::InstalledBackend();
    return QStringLiteral("Radio: ") + (backend ? QString::fromStdString(backend->Describe()) : QStringLiteral("none"));
}

CRadioSwitch::CRadioSwitch(QWidget* parent) : QToolButton(parent) {
    setObjectName(QStringLiteral("radioSwitch"));
    setAutoRaise(true);
    setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(this);
    m_power = menu->addAction(QStringLiteral("Bluetooth On"));
    m_power->setObjectName(QStringLiteral("bluetoothOn"));
    m_power->setCheckable(true);
    setMenu(menu);
    connect(menu, &QMenu::aboutToShow, this, &CRadioSwitch::Refresh);
    connect(m_power, &QAction::triggered, this, &CRadioSwitch::switchPower);
    Refresh();
}

void CRadioSwitch::Refresh() {
    const bool on = hostbackend::PoweredOn();
    m_power->setChecked(on);
    setText(on ? RadioDescription() : RadioDescription() + QStringLiteral(" (off)"));
    setToolTip(on ? QStringLiteral("Bluetooth is on") : QStringLiteral("Bluetooth is off"));
}

void CRadioSwitch::switchPower(bool on) {
    const auto backend = bth::InstalledBackend();
    const DWORD error = backend ? backend->WritePower(on) : ERROR_DEV_NOT_EXIST;
    Refresh();
    if (error)
        nimbrel::ShowMessage(this,
                             QStringLiteral("Bluetooth could not be switched %1 (error %2).")
                                 .arg(on ? QStringLiteral("on") : QStringLiteral("off"))
                                 .arg(error),
                             QMessageBox::Critical, QMessageBox::Ok, QStringLiteral("Error"));
}
