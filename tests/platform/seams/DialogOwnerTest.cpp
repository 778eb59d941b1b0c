// Which window a box or dialog is placed over, and that it is made that window's transient child.
#include "platform/qt/DialogOwner.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <memory>

namespace nodo {
namespace {

// Three top-level windows, the asked one holding a child widget: which are shown, minimised, and
// which one the owner must be.
struct OwnerCase {
    const char* name;
    bool askedShown, smallShown, largeShown, largeMinimised;
    int expected; // 0: the asked window, 1: the small one, 2: the large one, -1: none
};

class DialogOwnerPick : public ::testing::TestWithParam<OwnerCase> {};

TEST_P(DialogOwnerPick, NamesAShownWindow) {
    const OwnerCase& c = GetParam();
    QWidget asked, small, large;
    auto* child = new QWidget(&asked);
    asked.resize(200, 150);
    small.resize(100, 80);
    large.resize(640, 480);
    if (c.askedShown) asked.show();
    if (c.smallShown) small.show();
    if (c.largeShown) c.largeMinimised ? large.showMinimized() : large.show();
    QCoreApplication::processEvents();
    QWidget* const windows[] = {&asked, &small, &large};
    EXPECT_EQ(DialogOwner(child), c.expected < 0 ? nullptr : windows[c.expected]);
}

INSTANTIATE_TEST_SUITE_P(
    Dialogs, DialogOwnerPick,
    ::testing::Values(OwnerCase{"asked_window_shown", true, true, true, false, 0},
                      OwnerCase{"asked_hidden_largest_shown_wins", false, true, true, false, 2},
                      OwnerCase{"minimised_window_passed_over", false, true, true, true, 1},
                      OwnerCase{"nothing_shown", false, false, false, false, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DialogOwnerAttach, MakesTheDialogATransientChildOfTheOwner) {
    QWidget owner;
    owner.resize(300, 200);
    owner.show();
    auto dialog = std::make_unique<QDialog>();
    AttachToOwner(*dialog, &owner);
    EXPECT_EQ(dialog->parentWidget(), &owner);
    EXPECT_TRUE(dialog->isWindow());
    dialog->show();
    ASSERT_NE(dialog->windowHandle(), nullptr);
    EXPECT_EQ(dialog->windowHandle()->transientParent(), owner.windowHandle());
    dialog.reset();

    // A dialog whose window was made before it had an owner is told its owner too.
    QDialog early;
    early.winId();
    AttachToOwner(early, &owner);
    early.show();
    ASSERT_NE(early.windowHandle(), nullptr);
    EXPECT_EQ(early.windowHandle()->transientParent(), owner.windowHandle());

    QDialog alone; // no owner: left as it is
    AttachToOwner(alone, nullptr);
    EXPECT_EQ(alone.parentWidget(), nullptr);
}

} // namespace
} // namespace nodo
