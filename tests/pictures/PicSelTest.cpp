// The background list window, driven with QTest over fake dialogs and real files.
#include "PicFixtures.h"
#include "pictures/MainContext.h"
#include "pictures/PicImage.h"
#include "pictures/uGlobal.h"
#include "pictures/uPicSel.h"
#include "support/fakes/Fakes.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace nodo;
using nodo::fakes::ReadFile;
using nodo::fakes::TestPlatform;
using nodo::fakes::WriteFile;

namespace {

using Rows = std::vector<std::string>;

class PicSelTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(tp.file("user"));
        test::WriteBmp(bg("A1.bmp"), test::Pattern(64, 48));
        ctx.platform = &tp.platform();
        ctx.mainWindow = &mainWindow;
        ctx.state = &state;
        frm = std::make_unique<TPicSelFrm>(tp.platform(), &mainWindow);
    }
    std::string bg(const std::string& name) { return tp.file("source/DeskTopBG/" + name); }
    std::string user(const std::string& name) { return tp.file("user/" + name); }
    std::string listFile() { return ReadFile(tp.file("data/BGPicList.ini")); }
    void writeList(const Rows& lines) { tp.text.writeLines(tp.file("data/BGPicList.ini"), lines); }
    static std::string crlf(const Rows& lines) {
        std::string s;
        for (const auto& l : lines)
            s += l + "\r\n";
        return s;
    }
    // Shows the window as the modal run does, without blocking the test.
    void open() {
        frm->show();
        QCoreApplication::processEvents();
    }
    void select(const std::string& caption) {
        for (int i = 0; i < frm->LVpic->topLevelItemCount(); ++i)
            if (frm->LVpic->topLevelItem(i)->text(0).toStdString() == caption) {
                frm->LVpic->setCurrentItem(frm->LVpic->topLevelItem(i));
                return;
            }
        FAIL() << "no row " << caption;
    }
    void chooseFile(const std::string& file) {
        tp.dialogs.openAnswers.push_back({QString::fromStdString(file)});
    }
    void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
    QStringList messages() { return tp.messages.texts(); }

    TestPlatform tp;
    QWidget mainWindow;
    MainContext ctx;
    SharedState state;
    std::string& mainSel = state.SelBGPic;
    int32_t& mainIndex = state.BGPicIndex;
    std::unique_ptr<TPicSelFrm> frm;
};

TEST_F(PicSelTest, LayoutOfTheWindow) {
    EXPECT_EQ(frm->size(), QSize(524, 286));
    EXPECT_TRUE(frm->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(frm->windowTitle(), QStringLiteral("背景图片选择"));
    EXPECT_EQ(frm->LVpic->geometry(), QRect(9, 56, 319, 160));
    EXPECT_TRUE(frm->LVpic->isHeaderHidden());
    EXPECT_EQ(frm->LVpic->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(frm->btnRemove->text(), QStringLiteral("移  除"));
    EXPECT_EQ(frm->btnAdd->text(), QStringLiteral("添  加"));
    EXPECT_EQ(frm->btnOk->text(), QStringLiteral("确  定"));
    EXPECT_EQ(frm->btnOk->geometry(), QRect(209, 240, 73, 21));
    EXPECT_EQ(frm->img_close_normal->geometry(), QRect(484, 0, 39, 20));
    EXPECT_TRUE(frm->lblTishi->text().startsWith(QStringLiteral("注：可添加多个壁纸")));
    EXPECT_TRUE(frm->lblTishi->text().endsWith(QStringLiteral("BMP,JPG")));
    EXPECT_FALSE(frm->imgSel->isVisibleTo(frm.get()));
    EXPECT_EQ(frm->SelBGPic, "");
}

TEST_F(PicSelTest, ShowingReadsTheRowsFromTheFileEveryTime) {
    writeList({"B.bmp", "A1.bmp", "B.bmp", "C.bmp"});
    open();
    EXPECT_EQ(frm->SelBGPic, "B.bmp");
    EXPECT_EQ(frm->rows(), (Rows{"A1.bmp", "B.bmp", "C.bmp"}));
    frm->hide();
    writeList({"C.bmp", "C.bmp"});
    open();
    EXPECT_EQ(frm->SelBGPic, "C.bmp");
    EXPECT_EQ(frm->rows(), (Rows{"C.bmp"}));
}

TEST_F(PicSelTest, AMissingOrEmptyListFileIsHandledWithoutIndexing) {
    open();
    EXPECT_EQ(listFile(), "A1.bmp\r\nA1.bmp\r\n");
    EXPECT_EQ(frm->SelBGPic, "A1.bmp");
    EXPECT_TRUE(frm->rows().empty()); // the default is written, not listed
    frm->hide();
    WriteFile(tp.file("data/BGPicList.ini"), "");
    frm->SelBGPic = "kept.bmp";
    open();
    EXPECT_EQ(frm->SelBGPic, "kept.bmp");
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(PicSelTest, AddingCopiesConvertsAndListsThePicture) {
    writeList({"A1.bmp", "A1.bmp"});
    open();
    struct Case {
        std::string file;
        std::string row;
        int width, height;
    } cases[] = {
        {"same.bmp", "same.bmp", 300, 200},
        {"same.bmp", "same.bmp", 300, 200}, // twice: two rows of one name
        {"Photo.JPG", "Photo.bmp", 100, 80},
        {"moving.gif", "moving.bmp", 50, 40},
        {"wide.bmp", "wide.bmp", 1280, 768},  // 1600 x 1200 is shrunk
        {"tall.bmp", "tall.bmp", 1280, 2000}, // only the width counts
        {"edge.bmp", "edge.bmp", 1280, 100},  // not wider than 1280
    };
    const std::map<std::string, std::pair<int, int>> made = {
        {"same.bmp", {300, 200}},   {"Photo.JPG", {100, 80}},   {"moving.gif", {50, 40}},
        {"wide.bmp", {1600, 1200}}, {"tall.bmp", {1280, 2000}}, {"edge.bmp", {1280, 100}}};
    for (const auto& [name, size] : made) {
        const pic::Bitmap p = test::Pattern(size.first, size.second);
        if (name.ends_with(".JPG"))
            test::WriteJpeg(user(name), p);
        else if (name.ends_with(".gif"))
            test::WriteGif(user(name), p);
        else
            test::WriteBmp(user(name), p);
    }
    Rows expected{"A1.bmp"};
    for (const auto& c : cases) {
        chooseFile(user(c.file));
        click(frm->btnAdd);
        EXPECT_TRUE(messages().isEmpty()) << c.file << ": " << messages().join('|').toStdString();
        expected.push_back(c.row);
        EXPECT_EQ(frm->rows(), expected) << c.file;
        const pic::Bitmap stored = pic::LoadBitmapFile(bg(c.row));
        EXPECT_EQ(stored.width(), c.width) << c.file;
        EXPECT_EQ(stored.height(), c.height) << c.file;
        EXPECT_EQ(listFile(), crlf([&] {
                      Rows l{"A1.bmp"};
                      l.insert(l.end(), expected.begin(), expected.end());
                      return l;
                  }()))
            << c.file;
    }
    EXPECT_TRUE(fs::exists(bg("Photo.JPG"))); // the copied JPEG stays beside its twin
    EXPECT_TRUE(fs::exists(bg("moving.gif")));
    // The user's own files are as they were.
    EXPECT_EQ(pic::LoadBitmapFile(user("wide.bmp")).width(), 1600);
    ASSERT_FALSE(tp.dialogs.openCalls.empty());
    EXPECT_FALSE(tp.dialogs.openCalls[0].multiSelect);
    EXPECT_TRUE(tp.dialogs.openCalls[0].filter.startsWith(QStringLiteral("(*.Bmp; *.JPG; *Gif)")));
}

TEST_F(PicSelTest, AddingAPictureThatAlreadyLiesInTheFolderLeavesItIntact) {
    writeList({"A1.bmp", "A1.bmp"});
    open();
    const std::string before = ReadFile(bg("A1.bmp"));
    chooseFile(bg("A1.bmp"));
    click(frm->btnAdd);
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(ReadFile(bg("A1.bmp")), before);
    EXPECT_EQ(frm->rows(), (Rows{"A1.bmp", "A1.bmp"}));
}

TEST_F(PicSelTest, AddedFilesLandInsideTheBackgroundFolderWhateverTheirName) {
    writeList({"A1.bmp", "A1.bmp"});
    open();
    const std::string odd = "x\\..\\..\\odd.bmp";
    test::WriteBmp(user(odd), test::Pattern(8, 8));
    chooseFile(user(odd));
    click(frm->btnAdd);
    EXPECT_TRUE(fs::exists(bg(odd)));
    EXPECT_FALSE(fs::exists(tp.file("odd.bmp")));
    EXPECT_EQ(frm->rows(), (Rows{"A1.bmp", odd}));
}

TEST_F(PicSelTest, CancellingTheDialogAddsNothing) {
    writeList({"A1.bmp", "A1.bmp"});
    open();
    click(frm->btnAdd);
    tp.dialogs.openAnswers.push_back({QString()});
    click(frm->btnAdd);
    EXPECT_EQ(frm->rows(), (Rows{"A1.bmp"}));
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(PicSelTest, FailuresOfTheAddEachHaveTheirMessage) {
    writeList({"A1.bmp", "A1.bmp"});
    open();
    WriteFile(user("broken.jpg"), "\xFF\xD8\xFF\xE0 broken");
    test::WritePng(user("typed.png"), test::Pattern(5, 5));
    WriteFile(user("broken.bmp"), "BM broken");
    struct Case {
        const char* file;
        QString message;
        bool copyStays;
    } cases[] = {
        {"broken.jpg", kAddFailedText, true},          // conversion
        {"typed.png", kAddPictureFailedText, true},    // no conversion for it
        {"broken.bmp", kAddPictureFailedText, true},   // does not load
        {"nowhere.bmp", kAddPictureFailedText, false}, // vanished before the copy
    };
    for (const auto& c : cases) {
        tp.messages.shown.clear();
        chooseFile(user(c.file));
        click(frm->btnAdd);
        EXPECT_EQ(messages(), QStringList{c.message}) << c.file;
        EXPECT_EQ(frm->rows(), (Rows{"A1.bmp"})) << c.file;
        EXPECT_EQ(listFile(), "A1.bmp\r\nA1.bmp\r\n") << c.file;
        EXPECT_EQ(fs::exists(bg(c.file)), c.copyStays) << c.file;
    }
}

TEST_F(PicSelTest, AFullDiskWhileSavingIsReported) {
    writeList({"A1.bmp", "A1.bmp", "B.bmp"});
    open();
    test::WriteBmp(user("new.bmp"), test::Pattern(10, 10));
    tp.text.failWrites = true;
    chooseFile(user("new.bmp"));
    click(frm->btnAdd);
    select("B.bmp");
    click(frm->btnRemove);
    ASSERT_EQ(messages().size(), 2);
    EXPECT_TRUE(messages()[0].contains(QStringLiteral("No space left")));
    EXPECT_EQ(listFile(), "A1.bmp\r\nA1.bmp\r\nB.bmp\r\n");
}

TEST_F(PicSelTest, RemovingRows) {
    struct Case {
        const char* name;
        const char* selected; // nullptr: none
        Rows rows;
        std::string sel;
        bool written;
    } cases[] = {
        {"chosen row", "B.bmp", {"A1.bmp", "C.bmp"}, "A1.bmp", true},
        {"default row", "A1.bmp", {"A1.bmp", "B.bmp", "C.bmp"}, "B.bmp", true},
        {"other row", "C.bmp", {"A1.bmp", "B.bmp"}, "B.bmp", true},
        {"no selection", nullptr, {"A1.bmp", "B.bmp", "C.bmp"}, "B.bmp", false},
    };
    for (const auto& c : cases) {
        WriteFile(tp.file("data/BGPicList.ini"), "B.bmp\nA1.bmp\nB.bmp\nC.bmp"); // as edited by hand
        open();
        if (c.selected) select(c.selected);
        click(frm->btnRemove);
        EXPECT_EQ(frm->rows(), c.rows) << c.name;
        EXPECT_EQ(frm->SelBGPic, c.sel) << c.name;
        Rows lines{c.sel};
        lines.insert(lines.end(), c.rows.begin(), c.rows.end());
        EXPECT_EQ(listFile(), c.written ? crlf(lines) : "B.bmp\nA1.bmp\nB.bmp\nC.bmp") << c.name;
        EXPECT_TRUE(fs::exists(bg("A1.bmp")));
        frm->hide();
    }
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(PicSelTest, OkWritesOnlyANewChoiceAndCloses) {
    struct Case {
        const char* selected;
        bool written;
    } cases[] = {{"C.bmp", true}, {"B.bmp", false}, {nullptr, false}};
    for (const auto& c : cases) {
        WriteFile(tp.file("data/BGPicList.ini"), "B.bmp\nA1.bmp\nB.bmp\nC.bmp");
        open();
        if (c.selected) select(c.selected);
        click(frm->btnOk);
        EXPECT_FALSE(frm->isVisible()) << (c.selected ? c.selected : "none");
        EXPECT_EQ(listFile(), c.written ? std::string("C.bmp\r\nA1.bmp\r\nB.bmp\r\nC.bmp\r\n")
                                        : std::string("B.bmp\nA1.bmp\nB.bmp\nC.bmp"));
    }
}

TEST_F(PicSelTest, CloseButtonStatesAndClick) {
    open();
    using S = TPicSelFrm::CloseState;
    EXPECT_EQ(frm->closeState(), S::Normal);
    EXPECT_TRUE(frm->img_close_normal->isVisible());
    QTest::mouseMove(frm->closeButton, QPoint(10, 10));
    EXPECT_EQ(frm->closeState(), S::Highlight);
    EXPECT_TRUE(frm->img_close_highlight->isVisible());
    EXPECT_FALSE(frm->img_close_normal->isVisible());
    QTest::mouseMove(frm->imgBG, QPoint(450, 250)); // a bare part of the background
    EXPECT_EQ(frm->closeState(), S::Normal);

    QTest::mouseMove(frm->closeButton, QPoint(10, 10));
    QTest::mousePress(frm->closeButton, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(frm->closeState(), S::Down);
    EXPECT_TRUE(frm->img_close_down->isVisible());
    // Released away from the button: no click.
    QTest::mouseRelease(frm->closeButton, Qt::LeftButton, {}, QPoint(200, 10));
    EXPECT_EQ(frm->closeState(), S::Normal);
    EXPECT_TRUE(frm->isVisible());

    QTest::mouseMove(frm->closeButton, QPoint(10, 10));
    QTest::mouseClick(frm->closeButton, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(frm->isVisible());
    EXPECT_EQ(frm->closeState(), S::Normal);
}

TEST_F(PicSelTest, DraggingTheBackgroundDoesNotDisturbTheWindow) {
    open();
    QTest::mousePress(frm->imgBG, Qt::LeftButton, {}, QPoint(300, 10));
    QTest::mouseRelease(frm->imgBG, Qt::LeftButton, {}, QPoint(300, 10));
    EXPECT_TRUE(frm->isVisible());
    EXPECT_EQ(frm->rows(), Rows{});
}

// --- the main window's side ---

class AddToDeskTest : public PicSelTest {
protected:
    // Runs the click; `inWindow` acts while the modal window is up.
    void run(const std::function<void()>& inWindow) {
        QTimer::singleShot(0, frm.get(), [this, inWindow] {
            inWindow();
            if (frm->isVisible()) frm->close();
        });
        imgAddToDeskClick(ctx, *frm);
    }
};

TEST_F(AddToDeskTest, ChoosingInTheWindowMovesTheIndexToTheChosenRow) {
    writeList({"A1.bmp", "A1.bmp", "B.bmp", "C.bmp"});
    LoadBGPicList(ctx, false);
    EXPECT_EQ(mainSel, "A1.bmp");
    EXPECT_EQ(mainIndex, 3);
    run([this] {
        select("B.bmp");
        click(frm->btnOk);
    });
    EXPECT_EQ(mainSel, "B.bmp");
    EXPECT_EQ(mainIndex, 2);
    EXPECT_EQ(state.BGPicCount, 4);
    EXPECT_EQ(state.BGPicList[0].PicName, "B.bmp");
}

TEST_F(AddToDeskTest, ClosingWithoutAChoiceReloadsFromTheEnd) {
    writeList({"B.bmp", "A1.bmp", "B.bmp", "C.bmp"});
    LoadBGPicList(ctx, false);
    test::WriteBmp(user("D.bmp"), test::Pattern(8, 8));
    run([this] {
        chooseFile(user("D.bmp"));
        click(frm->btnAdd);
        QTest::mouseMove(frm->closeButton, QPoint(5, 5));
        QTest::mouseClick(frm->closeButton, Qt::LeftButton, {}, QPoint(5, 5));
    });
    EXPECT_EQ(mainSel, "B.bmp");
    EXPECT_EQ(state.BGPicCount, 5);
    EXPECT_EQ(mainIndex, 4);
    EXPECT_EQ(state.BGPicList[4].PicName, "D.bmp");
}

TEST_F(AddToDeskTest, RemovingTheChosenRowFallsBackToTheDefault) {
    writeList({"B.bmp", "A1.bmp", "B.bmp"});
    LoadBGPicList(ctx, false);
    run([this] {
        select("B.bmp");
        click(frm->btnRemove);
    });
    EXPECT_EQ(mainSel, "A1.bmp");
    EXPECT_EQ(mainIndex, 1); // the "A1.bmp" row
    EXPECT_EQ(listFile(), "A1.bmp\r\nA1.bmp\r\n");
}

TEST_F(AddToDeskTest, AListFileThatCannotBeWrittenIsReportedAndTheListKept) {
    writeList({"A1.bmp", "A1.bmp", "B.bmp"});
    LoadBGPicList(ctx, false);
    fs::remove(tp.file("data/BGPicList.ini"));
    tp.text.failWrites = true;
    run([] {});
    // Once when the window opens, once when the main window reloads.
    ASSERT_EQ(messages().size(), 2);
    EXPECT_TRUE(messages()[1].contains(QStringLiteral("No space left")));
    EXPECT_EQ(state.BGPicList.size(), 3u);
    EXPECT_EQ(mainIndex, 2);
}

} // namespace
