// The Qt editors' content through the document model and RTF: what an editor holds comes back
// into an editor as it was.
#include "notes/qt/RichTextQt.h"
#include "notes/rtf/RtfReader.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <gtest/gtest.h>

namespace nodo {
namespace {

rtf::Document Sample() {
    rtf::CharFormat song;
    song.font = "宋体";
    song.charset = rtf::kGb2312Charset;
    song.halfPoints = 30;
    rtf::CharFormat marked;
    marked.bold = marked.italic = marked.underline = marked.strike = true;
    marked.color = rtf::Rgb{255, 0, 0};
    marked.background = rtf::Rgb{192, 220, 192};
    marked.font = "Arial";
    marked.charset = rtf::kAnsiCharset;
    rtf::Document d;
    d.paragraphs.push_back({rtf::Align::Center, {{"标题", song}, {" plain ", {}}, {"重要!", marked}}});
    d.paragraphs.push_back({rtf::Align::Left, {}});
    d.paragraphs.push_back({rtf::Align::Right, {{"行一\u2028行二\t制表", {}}}});
    d.paragraphs.push_back({rtf::Align::Justify, {{"😀 end", song}}});
    return rtf::Normalized(d);
}

TEST(RichTextQt, ModelThroughTheEditorAndBack) {
    QTextDocument doc;
    const rtf::Document sample = Sample();
    SetDocument(doc, sample);
    EXPECT_EQ(doc.blockCount(), 4);
    EXPECT_FALSE(doc.isUndoAvailable());
    EXPECT_EQ(GetDocument(doc), sample);

    SetDocument(doc, rtf::Normalized({}));
    EXPECT_TRUE(doc.isEmpty());
    EXPECT_EQ(GetDocument(doc), rtf::Normalized({}));
}

TEST(RichTextQt, EditorStreamsOutAndInAsRtf) {
    QTextEdit first, second;
    QtRichEdit a(&first), b(&second);
    SetDocument(*first.document(), Sample());
    const std::string blob = a.streamOut();
    ASSERT_TRUE(rtf::LooksLikeRtf(blob));
    b.streamIn(blob);
    EXPECT_EQ(GetDocument(*second.document()), Sample());
    EXPECT_EQ(second.toPlainText(), first.toPlainText());

    // What a user does with the editor's own commands is kept too.
    QTextCursor c(first.document());
    c.movePosition(QTextCursor::End);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    bold.setForeground(QColor(0, 0, 255));
    c.insertText("加粗", bold);
    b.streamIn(a.streamOut());
    const auto last = GetDocument(*second.document()).paragraphs.back().runs.back();
    EXPECT_EQ(last.text, "加粗");
    EXPECT_TRUE(last.format.bold);
    EXPECT_EQ(last.format.color, (rtf::Rgb{0, 0, 255}));

    // Plain text and nothing at all.
    b.streamIn("line one\r\nline two");
    EXPECT_EQ(second.toPlainText(), "line one\nline two");
    b.streamIn("");
    EXPECT_TRUE(second.document()->isEmpty());
}

} // namespace
} // namespace nodo
