#pragma once
// Stand-ins for the OS services, for tests: they record what the program asked and answer from a
// script. The folder and text files are real ones in a private temporary folder.
#include "platform/Platform.h"
#include "platform/posix/AppFolders.h"
#include "platform/posix/DiskTextFile.h"
#include "platform/posix/LinuxKernel.h"
#include "platform/qt/TextBrowserWebPanel.h"

#include <QImage>
#include <QStringList>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace nodo::fakes {

class FakeClock : public Clock {
public:
    LocalDateTime value;
    LocalDateTime now() const override { return value; }
};

class FakeMessageBox : public MessageBox {
public:
    struct Shown {
        QString text, caption;
        Buttons buttons;
    };
    std::vector<Shown> shown;
    std::deque<Result> answers;   // taken in order; Ok when empty
    std::function<void()> onShow; // runs while the "box" is up (e.g. to check state)

    Result show(QWidget*, const QString& text, const QString& caption, Buttons buttons, Icon) override {
        shown.push_back({text, caption, buttons});
        if (onShow) onShow();
        if (answers.empty()) return Result::Ok;
        Result r = answers.front();
        answers.pop_front();
        return r;
    }
    QStringList texts() const {
        QStringList l;
        for (const auto& s : shown)
            l << s.text;
        return l;
    }
};

class FakeShell : public Shell {
public:
    QStringList opened;
    bool open(const QString& url) override {
        opened << url;
        return true;
    }
};

class FakeDialogs : public Dialogs {
public:
    struct OpenCall {
        QString title, filter;
        bool multiSelect;
    };
    std::vector<OpenCall> openCalls;
    std::deque<QStringList> openAnswers; // empty list = cancel
    std::deque<QString> saveAnswers;
    std::deque<std::optional<QColor>> colorAnswers;

    QStringList openFiles(QWidget*, const QString& title, const QString& filter, bool multiSelect) override {
        openCalls.push_back({title, filter, multiSelect});
        if (openAnswers.empty()) return {};
        QStringList r = openAnswers.front();
        openAnswers.pop_front();
        return r;
    }
    QStringList proposedNames; // what each save dialog was opened with
    QString saveFile(QWidget*, const QString&, const QString&, const QString& proposedName) override {
        proposedNames << proposedName;
        if (saveAnswers.empty()) return {};
        QString r = saveAnswers.front();
        saveAnswers.pop_front();
        return r;
    }
    std::optional<QColor> chooseColor(QWidget*, const QColor&) override {
        if (colorAnswers.empty()) return std::nullopt;
        auto r = colorAnswers.front();
        colorAnswers.pop_front();
        return r;
    }
};

class FakeScreen : public Screen {
public:
    QSize screenSize{1366, 768};
    int screenDepth = 32;
    QImage picture; // what grab() returns; a white screen of screenSize when null
    bool grabbable = true;
    int grabs = 0;

    QSize size() const override { return screenSize; }
    int depth() const override { return screenDepth; }
    std::vector<QRect> screenAreas; // {the whole screenSize} when empty
    std::vector<QRect> areas() const override {
        return screenAreas.empty() ? std::vector<QRect>{QRect(QPoint(0, 0), screenSize)} : screenAreas;
    }
    bool canGrab(QString* why) const override {
        if (!grabbable && why) *why = QStringLiteral("无法读取屏幕图像。");
        return grabbable;
    }
    QImage grab() override {
        ++grabs;
        if (!grabbable) return {};
        if (!picture.isNull()) return picture;
        QImage img(screenSize, QImage::Format_RGB32);
        img.fill(Qt::white);
        return img;
    }
};

class FakeWallpaper : public Wallpaper {
public:
    std::map<std::string, std::string> values;
    std::vector<std::string> applied;
    bool succeed = true;

    void setValue(const std::string& name, const std::string& value) override { values[name] = value; }
    std::string value(const std::string& name) const override {
        auto it = values.find(name);
        return it == values.end() ? std::string() : it->second;
    }
    bool apply(const std::string& file, std::string& error) override {
        applied.push_back(file);
        if (!succeed) error = "no desktop";
        return succeed;
    }
};

// The real kernel, except that sleeping only records how long it was asked for.
class FakeKernel : public LinuxKernel {
public:
    std::vector<int> sleeps;
    int trims = 0;
    void sleep(int ms) override { sleeps.push_back(ms); }
    void trimWorkingSet() override { ++trims; }
};

// Text files that can be made to fail on write, as on a full disk.
class FailingTextFile : public DiskTextFile {
public:
    bool failWrites = false;
    void writeLines(const std::string& path, const std::vector<std::string>& lines) override;
};

// A whole platform of fakes over a fresh temporary application folder holding "data/",
// "source/DeskTopBG/" (and nothing else unless asked).
class TestPlatform {
public:
    explicit TestPlatform(bool withDataFolders = true);
    ~TestPlatform();

    Platform& platform() { return m_platform; }
    std::string root() const { return m_root; }
    // Absolute path of a relative one below the folder ('/' separators).
    std::string file(const std::string& relative) const { return m_root + relative; }

    std::unique_ptr<FixedAppFolder> folder;
    FailingTextFile text;
    FakeKernel kernel;
    FakeClock clock;
    FakeWallpaper wallpaper;
    FakeMessageBox messages;
    FakeShell shell;
    FakeDialogs dialogs;
    FakeScreen screen;
    TextBrowserWebPanel web;
    Com com;

private:
    std::string m_root;
    Platform m_platform;
};

// Writes raw bytes to a file (creating nothing but the file).
void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

} // namespace nodo::fakes
