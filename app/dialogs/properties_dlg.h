#pragma once
// The properties of a browser item: the pages the item has (General, Security, File Transfer,
// Serial Port, in that order) on tabs. Values are read from the item when the dialog opens;
// on OK the editable ones go back through the item, folder first, then authentication, then
// findability, then whether the program starts with the desktop. Cancel writes nothing.
#include <QDialog>
#include <QString>

class CBrowserItem;
class QCheckBox;
class QLineEdit;
class QTabWidget;

class CPropertiesDlg : public QDialog {
    Q_OBJECT
public:
    CPropertiesDlg(CBrowserItem& item, QWidget* parent);

    // Writes the values of the Security and File Transfer pages back through the item.
    void Apply();

    QTabWidget* Tabs() const { return m_tabs; }
    QCheckBox* AuthenticationBox() const { return m_authenticationBox; }
    QCheckBox* FindableBox() const { return m_findableBox; }
    QCheckBox* AutostartBox() const { return m_autostartBox; }
    QLineEdit* FolderEdit() const { return m_folderEdit; }

private:
    void addGeneralPage();
    void addSecurityPage();
    void addFileTransferPage();
    void addSerialPortPage();

    CBrowserItem& m_item;
    QTabWidget* m_tabs;
    QCheckBox* m_authenticationBox = nullptr;
    QCheckBox* m_findableBox = nullptr;
    QCheckBox* m_autostartBox = nullptr;
    QLineEdit* m_folderEdit = nullptr;
    // The stored values: each click on a box flips its value, the folder follows the edit.
    int m_authenticate = 0;
    int m_findable = 0;
    QString m_folder;
};

// Runs the dialog for `item` modally and applies it on OK (every item's ShowProperties).
void ShowPropertiesDialog(CBrowserItem& item, QWidget* parent);

// The port a serial page shows: "COM5", or "-" for port 99 (none).
QString SerialPortText(int port);
