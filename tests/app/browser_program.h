#pragma once
// The program as it starts (document, main window, view) on a test world, and a recorder that
// answers its dialogs and message boxes in place of a user.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/browser/browser_item.h"
#include "app/browser/nimbrel_view.h"
#include "app/frame/main_frame.h"
#include "app/frame/modal.h"
#include "app/frame/nimbrel_doc.h"
#include "engine/device/device_local.h"
#include "support/sim_world.h"

namespace browsertest {

// Every dialog shown, by caption (message boxes: their text), answered by `answer`.
struct Answers {
    std::vector<QString> asked;
    std::function<int(QDialog&)> answer = [](QDialog& dialog) {
        return qobject_cast<QMessageBox*>(&dialog) ? int(QMessageBox::Ok) : int(QDialog::Accepted);
    };
    Answers() {
        nimbrel::SetModalAnswerer([this](QDialog& dialog) {
            auto* box = qobject_cast<QMessageBox*>(&dialog);
            asked.push_back(box ? box->text() : dialog.windowTitle());
            return answer(dialog);
        });
    }
    ~Answers() { nimbrel::SetModalAnswerer({}); }
    bool WaitFor(const QString& text) {
        return QTest::qWaitFor([&] { return std::find(asked.begin(), asked.end(), text) != asked.end(); }, 10000);
    }
};

// Clicks the entry `text` of the context menu that opens next, once `meanwhile` (when given)
// has run while the menu is open.
inline void ChooseFromNextMenu(const QString& text, std::function<void()> meanwhile = {}) {
    QTimer::singleShot(0, [text, meanwhile] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        if (meanwhile) meanwhile();
        for (QAction* action : menu->actions())
            if (action->text() == text) return QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        ADD_FAILURE() << "no menu entry " << text.toStdString();
        menu->close();
    });
}

class Program {
public:
    explicit Program(const std::string& world) {
        testsupport::UseWorld(world);
        m_doc = std::make_unique<CNimbrelDoc>();
        m_frame = std::make_unique<CMainFrame>(m_doc.get());
        EXPECT_TRUE(m_doc->OnNewDocument(m_frame.get()));
        View()->OnUpdate();
        m_frame->show();
    }
    ~Program() {
        m_doc->ActivateEngine(false);
        m_frame.reset();
        m_doc.reset();
    }

    CNimbrelView* View() const { return m_frame->GetActiveView(); }
    QListView* List() const { return View()->List(); }
    QAbstractItemModel* Model() const { return List()->model(); }
    int Rows() const { return Model()->rowCount(); }
    QString Text(int row) const { return Model()->index(row, 0).data().toString(); }
    // Where `row` shows, in the list's viewport.
    QPoint Center(int row) const { return List()->visualRect(Model()->index(row, 0)).center(); }
    CDeviceLocal* Local() const { return m_doc->GetDeviceLocal(); }

    // The row whose entry reads `text`, waiting up to 10 s for it to appear; -1 when it does not.
    int WaitForRow(const QString& text) const {
        int row = -1;
        return QTest::qWaitFor([&] { return (row = RowOf(text)) >= 0; }, 10000) ? row : -1;
    }
    int RowOf(const QString& text) const {
        for (int row = 0; row < Rows(); ++row)
            if (Text(row) == text) return row;
        return -1;
    }
    int Image(int row) const { return Model()->index(row, 0).data(Qt::UserRole).toInt(); }
    int Overlay(int row) const { return Model()->index(row, 0).data(Qt::UserRole + 1).toInt(); }
    QStringList Texts() const {
        QStringList texts;
        for (int row = 0; row < Rows(); ++row) texts << Text(row);
        return texts;
    }

    void DoubleClick(int row) const {
        ASSERT_TRUE(row >= 0 && row < Rows());
        QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, Center(row));
    }
    // Chooses `entry` from the context menu of `row` (-1: the empty area), running `meanwhile`
    // first while the menu is open.
    void ChooseFromMenu(int row, const QString& entry, std::function<void()> meanwhile = {}) const {
        ChooseFromNextMenu(entry, std::move(meanwhile));
        View()->ContextMenuAt(row, List()->viewport()->mapToGlobal(QPoint(1, 1)));
    }
    // Waits until the list shows these entries, in any order.
    bool WaitForTexts(QStringList expected) const {
        expected.sort();
        return QTest::qWaitFor([&] { QStringList texts = Texts(); texts.sort(); return texts == expected; }, 10000);
    }
    // Searches and waits until the search has ended with `count` devices listed.
    bool Search(int count) const {
        View()->OnCommand(32775);
        return QTest::qWaitFor(
            [&] { return Local()->GetFoundDevices() && Rows() == count; }, 10000);
    }

private:
    std::unique_ptr<CNimbrelDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
};

}  // namespace browsertest
