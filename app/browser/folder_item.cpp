#include "app/browser/folder_item.h"

#include <utility>

#include "app/browser/nimbrel_view.h"
#include "app/browser/qt_text.h"
#include "app/dialogs/transfer_dlg.h"
#include "app/frame/main_frame.h"
#include "app/frame/modal.h"
#include "engine/obex/ftp_tree.h"

namespace {

QString ElementName(CFtpElement* element) { return element ? ToQString(element->GetName()) : QString(); }

// The item's transfer dialog, made on its first transfer and kept for the later ones.
CTransferDlg& TransferDialog(std::unique_ptr<CTransferDlg>& dialog, CBrowserItem* owner) {
    if (!dialog) dialog = std::make_unique<CTransferDlg>(owner, owner->GetView()->GetFrame());
    return *dialog;
}

// The engine entry a child item stands for; none once it was deleted.
const CFtpElement* ElementOf(const CBrowserItem& item) {
    if (item.GetKind() == CBrowserItem::kFolder) return static_cast<const CFolderItem&>(item).GetFolder();
    return static_cast<const CFileItem&>(item).GetFtpFile();
}

}  // namespace

CFolderItem::CFolderItem(CNimbrelView* view, CFtpFolder* folder, CFolderItem* parent)
    : CBrowserItem(view, kFolder), m_folder(folder), m_parent(parent) {}

CFolderItem::~CFolderItem() { GetView()->ForgetItem(this); }

QString CFolderItem::GetName() const { return ElementName(m_folder); }

void CFolderItem::Empty() {
    GetView()->StopListing();  // it may be filling this folder, or one below
    GetView()->DisposeItems(std::move(m_children));
    m_children.clear();
    if (m_folder) m_folder->ClearElements();
}

void CFolderItem::Browse() {
    Empty();
    if (m_folder) GetView()->ListFolder(m_folder);
}

void CFolderItem::Synchronise() {
    if (!m_folder) return;
    auto lock = m_folder->ElementsLock();
    const auto& elements = m_folder->arElements;
    if (!childrenMatch()) {
        GetView()->DisposeItems(std::move(m_children));
        m_children.clear();
    }
    for (auto index = static_cast<int>(m_children.size()); index < elements.GetSize(); ++index) {
        CFtpElement* element = elements[index];
        if (element->uiType == FTP_FILE)
            m_children.push_back(std::make_unique<CFileItem>(GetView(), static_cast<CFtpFile*>(element)));
        else if (element->uiType == FTP_FOLDER)
            m_children.push_back(std::make_unique<CFolderItem>(GetView(), static_cast<CFtpFolder*>(element), this));
    }
}

bool CFolderItem::childrenMatch() const {
    const auto& elements = m_folder->arElements;
    if (static_cast<std::size_t>(elements.GetSize()) < m_children.size()) return false;
    // A deletion and an addition between two updates keep the count but move the entries.
    for (std::size_t index = 0; index < m_children.size(); ++index)
        if (ElementOf(*m_children[index]) != elements[static_cast<int>(index)]) return false;
    return true;
}

void CFolderItem::DisconnectClient() {
    if (m_folder) m_folder->DisconnectClient();
}

void CFolderItem::Abort() {
    if (m_folder) m_folder->CancelTransfer();
}

void CFolderItem::AddFile() {
    if (!m_folder) return;
    const QString chosen = nimbrel::ChooseFileToSend(GetView()->GetFrame());
    if (chosen.isEmpty()) return;
    const CString path = ToCString(chosen);
    CTransferDlg& transfer = TransferDialog(m_transfer, this);
    transfer.DescribeSending(chosen, GetView()->CurrentDeviceName());
    // Refused (not connected, another upload running): no transfer to follow.
    if (m_folder->PutFile(path, &CTransferDlg::TransferProgress, transfer.Context())) transfer.show();
}

void CFolderItem::Delete() {
    if (!m_folder || !m_folder->GetParent()) return;
    GetView()->DeleteEntry(std::exchange(m_folder, nullptr));
}

CFileItem::CFileItem(CNimbrelView* view, CFtpFile* file) : CBrowserItem(view, kFile), m_file(file) {}

CFileItem::~CFileItem() { GetView()->ForgetItem(this); }

QString CFileItem::GetName() const { return ElementName(m_file); }

void CFileItem::Abort() {
    if (!m_file) return;
    m_file->CancelTransfer();
    m_file->DisconnectClient();
}

void CFileItem::GetFile() {
    if (!m_file) return;
    CTransferDlg& transfer = TransferDialog(m_transfer, this);
    transfer.Describe(CTransferDlg::tr("Getting “%1” from %2").arg(GetName(), GetView()->CurrentDeviceName()),
                      m_file->dwSize);
    if (m_file->GetFile(&CTransferDlg::TransferProgress, transfer.Context())) transfer.show();
}

void CFileItem::Delete() {
    if (!m_file || !m_file->GetParent()) return;
    const auto answer = nimbrel::ShowMessage(GetView()->GetFrame(), tr("Are you sure to delete it ?"),
                                             QMessageBox::Question, QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) return;
    GetView()->DeleteEntry(std::exchange(m_file, nullptr));
}
