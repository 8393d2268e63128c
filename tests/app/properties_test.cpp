// The properties dialog: which pages an item gets, what they show, and what goes back to the
// item (only on OK: folder, then authentication, then findability).
#include <gtest/gtest.h>

#include <algorithm>

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <string>
#include <vector>

#include "app/browser/browser_item.h"
#include "app/browser/device_item.h"
#include "app/dialogs/properties_dlg.h"
#include "app/frame/autostart.h"
#include "app/frame/modal.h"
#include "platform/kernel/paths.h"

namespace {

// An item with every page, recording what the dialog writes back.
class RecordingItem : public CBrowserItem {
public:
    explicit RecordingItem(std::vector<Page> pages) : CBrowserItem(nullptr, kPlain), m_pages(std::move(pages)) {}
    bool HasPage(Page page) const override { return std::find(m_pages.begin(), m_pages.end(), page) != m_pages.end(); }
    QString GetName() const override { return QStringLiteral("Phone"); }
    int GetOverlay() const override { return 0; }
    unsigned int GetClass() const override { return 0; }
    int GetImage() const override { return 4; }
    QString GetAddressText() const override { return AddressText(0x123456789ABCull); }
    QString GetPath() const override { return QStringLiteral("/home/me/Downloads"); }
    int GetAuthenticate() const override { return 1; }
    int GetFindable() const override { return 0; }
    int GetComPort() const override { return port; }
    void SetAuthenticate(int value) override { writes.push_back("authenticate=" + std::to_string(value)); }
    void SetFindable(int value) override { writes.push_back("findable=" + std::to_string(value)); }
    void SetPath(const QString& path) override { writes.push_back("path=" + path.toStdString()); }

    int port = 5;
    std::vector<std::string> writes;

private:
    std::vector<Page> m_pages;
};

QStringList TabTitles(const CPropertiesDlg& dialog) {
    QStringList titles;
    for (int i = 0; i < dialog.Tabs()->count(); ++i) titles << dialog.Tabs()->tabText(i);
    return titles;
}

class PropertiesDialog : public ::testing::Test {
protected:
    ~PropertiesDialog() override { nimbrel::SetModalAnswerer({}); }
};

TEST_F(PropertiesDialog, ShowsThePagesTheItemHasWithTheirValues) {
    RecordingItem none({});
    EXPECT_EQ(CPropertiesDlg(none, nullptr).Tabs()->count(), 0) << "object push and shortcut items";

    RecordingItem all({CBrowserItem::kSerialPortPage, CBrowserItem::kFileTransferPage, CBrowserItem::kSecurityPage,
                       CBrowserItem::kGeneralPage});
    CPropertiesDlg dialog(all, nullptr);
    EXPECT_EQ(TabTitles(dialog), (QStringList{"General", "Security", "File Transfer", "Serial Port"}));
    EXPECT_EQ(dialog.windowTitle(), "Properties");
    EXPECT_TRUE(dialog.AuthenticationBox()->isChecked());
    EXPECT_FALSE(dialog.FindableBox()->isChecked());
    EXPECT_EQ(dialog.FolderEdit()->text(), "/home/me/Downloads");
    const auto general = dialog.Tabs()->widget(0)->findChildren<QLabel*>();
    QStringList texts;
    for (const QLabel* label : general) texts << label->text();
    EXPECT_TRUE(texts.contains("12:34:56:78:9a:bc")) << texts.join('|').toStdString();
    EXPECT_TRUE(texts.contains("PHONE"));

    EXPECT_EQ(SerialPortText(5), "COM5");
    EXPECT_EQ(SerialPortText(99), "-");
    EXPECT_EQ(AddressText(0x0000000000ABull), "00:00:00:00:00:ab");
}

TEST_F(PropertiesDialog, WritesBackOnlyOnOkInTheOrderFolderAuthenticationFindability) {
    RecordingItem item({CBrowserItem::kGeneralPage, CBrowserItem::kSecurityPage, CBrowserItem::kFileTransferPage});
    nimbrel::SetModalAnswerer([](QDialog& shown) {
        auto& dialog = static_cast<CPropertiesDlg&>(shown);
        dialog.FindableBox()->click();
        dialog.FolderEdit()->setText("/tmp/in");
        return static_cast<int>(QDialog::Rejected);
    });
    ShowPropertiesDialog(item, nullptr);
    EXPECT_TRUE(item.writes.empty()) << "Cancel writes nothing";

    nimbrel::SetModalAnswerer([](QDialog& shown) {
        auto& dialog = static_cast<CPropertiesDlg&>(shown);
        dialog.FolderEdit()->setText("");  // passed on as it is
        dialog.AuthenticationBox()->click();
        dialog.AuthenticationBox()->click();
        dialog.FindableBox()->click();
        return static_cast<int>(QDialog::Accepted);
    });
    ShowPropertiesDialog(item, nullptr);
    EXPECT_EQ(item.writes, (std::vector<std::string>{"path=", "authenticate=1", "findable=1"}));
}

TEST_F(PropertiesDialog, StartWithTheDesktopWritesAndRemovesTheAutostartEntry) {
    const QString config = QString::fromStdString((platform::NimbrelHome() / "config").string());
    qputenv("XDG_CONFIG_HOME", config.toUtf8());
    RecordingItem item({CBrowserItem::kGeneralPage, CBrowserItem::kSecurityPage});
    const auto clickAutostart = [](QDialog& shown) {
        static_cast<CPropertiesDlg&>(shown).AutostartBox()->click();
        return static_cast<int>(QDialog::Accepted);
    };
    nimbrel::SetModalAnswerer(clickAutostart);
    ShowPropertiesDialog(item, nullptr);
    const QString entry = config + "/autostart/org.nimbrel.Nimbrel.desktop";
    ASSERT_EQ(autostart::EntryPath(), entry);
    QFile written(entry);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(written.readAll());
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\nType=Application\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("Exec=\"" + QCoreApplication::applicationFilePath() + "\"\n")) << text.toStdString();
    EXPECT_TRUE(autostart::Enabled());
    ShowPropertiesDialog(item, nullptr);  // unticked
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_TRUE(item.writes.size() == 4u) << "the adapter's values are written as ever";
    qunsetenv("XDG_CONFIG_HOME");
}

}  // namespace
