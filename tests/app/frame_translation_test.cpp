// The program in German: the translation compiled into the program, and Qt's own beside it,
// reach the window, its menus and its dialogs; back in English every text is as written.
#include <gtest/gtest.h>

#include <QAction>
#include <QDialogButtonBox>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>

#include "app/browser/context_menus.h"
#include "app/browser/local_device_item.h"
#include "app/dialogs/properties_dlg.h"
#include "app/frame/command_ids.h"
#include "app/frame/progress_status.h"
#include "app/frame/translations.h"
#include "browser_program.h"

namespace {

using browsertest::Program;

QString ToolTipOf(const Program& program, int command) {
    for (QAction* action : program.View()->GetFrame()->findChildren<QToolBar*>().first()->actions())
        if (action->data().toInt() == command) return action->toolTip();
    return {};
}

// The texts of every context menu's entries, as Build makes them now.
QStringList MenuTexts() {
    QStringList texts;
    for (int menuId : {133, 134, 146, 147, 148, 149, 150, 151, 170, 171, 183, 184, 185}) {
        const std::unique_ptr<QMenu> menu = context_menus::Build(menuId, nullptr);
        for (const QAction* action : menu->actions())
            if (!action->isSeparator()) texts << action->text();
    }
    return texts;
}

QStringList TabTitles(const CPropertiesDlg& dialog) {
    QStringList titles;
    for (int i = 0; i < dialog.Tabs()->count(); ++i) titles << dialog.Tabs()->tabText(i);
    return titles;
}

QString CancelText(const CPropertiesDlg& dialog) {
    return dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text();
}

TEST(FrameTranslation, UnderAGermanLocaleWindowMenusAndDialogsSpeakGermanAndUnderEnglishAsWritten) {
    const QStringList english = MenuTexts();
    ASSERT_TRUE(translations::Install(QLocale(QLocale::German, QLocale::Germany)));
    {
        Program program("{}");
        // The tip's key name comes from Qt's translation.
        EXPECT_EQ(ToolTipOf(program, cmd::kRefresh), "Aktualisieren (F5)");
        EXPECT_EQ(ToolTipOf(program, cmd::kSearchDevices), "Ger\u00E4te suchen (Strg+F)");
        EXPECT_EQ(program.View()->GetFrame()->GetStatusBar()->StatusText(), "Bereit");
        CPropertiesDlg properties(*program.View()->RootItem(), program.View()->GetFrame());
        EXPECT_EQ(TabTitles(properties), (QStringList{"Allgemein", "Sicherheit"}));
        EXPECT_EQ(CancelText(properties), "Abbrechen");
        // Each entry of each menu was found in the translation (a text marked in one context
        // and looked up in another would stay English).
        const QStringList german = MenuTexts();
        ASSERT_EQ(german.size(), english.size());
        for (qsizetype i = 0; i < german.size(); ++i) EXPECT_NE(german[i], english[i]) << english[i].toStdString();
        EXPECT_TRUE(german.contains("Verkn\u00FCpfung erstellen"));
        EXPECT_TRUE(german.contains("Koppeln"));
    }

    EXPECT_FALSE(translations::Install(QLocale(QLocale::English, QLocale::UnitedStates))) << "English needs no file";
    EXPECT_EQ(MenuTexts(), english);
    EXPECT_EQ(CProgressStatus().StatusText(), "Ready");
    Program program("{}");
    EXPECT_EQ(ToolTipOf(program, cmd::kSearchDevices), "Search Devices (Ctrl+F)");
    CPropertiesDlg properties(*program.View()->RootItem(), program.View()->GetFrame());
    EXPECT_EQ(TabTitles(properties), (QStringList{"General", "Security"}));
    EXPECT_EQ(CancelText(properties), "Cancel");
}

}  // namespace
