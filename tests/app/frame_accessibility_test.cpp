// What a screen reader hears: every control of the window and of the properties dialog has a
// name, and the list's entries have a name and a description.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListView>

#include "app/frame/command_ids.h"
#include "browser_program.h"

namespace {

using browsertest::Answers;
using browsertest::Program;

// The controls under `root` a user reaches (buttons, fields, lists) that have no accessible name.
QStringList Unnamed(QWidget& root) {
    QStringList unnamed;
    for (QWidget* widget : root.findChildren<QWidget*>()) {
        const bool control = qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget) ||
                             qobject_cast<QComboBox*>(widget) || qobject_cast<QAbstractItemView*>(widget);
        if (!control || !widget->isVisibleTo(&root)) continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        if (!accessible || accessible->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << QString::fromLatin1(widget->metaObject()->className()) + " " + widget->objectName();
    }
    return unnamed;
}

TEST(FrameAccessibility, EveryControlAndEntryHasANameAndTheDialogsToo) {
    Program program(R"({"devices": [{"name": "Phone", "address": "00:00:00:00:00:02", "class": "0x214"}]})");
    ASSERT_TRUE(program.Search(1));
    QWidget* window = program.View()->GetFrame();
    EXPECT_EQ(Unnamed(*window), QStringList{});

    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(program.List());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->text(QAccessible::Name), "Devices found");
    bool entryFound = false;
    for (int child = 0; child < list->childCount(); ++child) {
        QAccessibleInterface* entry = list->child(child);
        if (!entry || entry->text(QAccessible::Name) != "Phone") continue;
        entryFound = true;
        EXPECT_TRUE(entry->text(QAccessible::Description).contains("Address: 00:00:00:00:00:02"))
            << entry->text(QAccessible::Description).toStdString();
    }
    EXPECT_TRUE(entryFound);

    Answers answers;
    QStringList unnamedInDialog{"(not shown)"};
    answers.answer = [&](QDialog& dialog) {
        unnamedInDialog = Unnamed(dialog);
        return int(QDialog::Rejected);
    };
    program.View()->OnCommand(cmd::kSettings);
    EXPECT_EQ(unnamedInDialog, QStringList{});
}

}  // namespace
