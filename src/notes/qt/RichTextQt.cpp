#include "notes/qt/RichTextQt.h"

#include "notes/rtf/RtfWriter.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <cmath>

namespace nodo {

namespace {

// Qt has no character sets; a face keeps the one it was read with here.
constexpr int kCharsetProperty = QTextFormat::UserProperty + 1;

Qt::Alignment ToQt(rtf::Align a) {
    switch (a) {
    case rtf::Align::Center:
        return Qt::AlignHCenter;
    case rtf::Align::Right:
        return Qt::AlignRight;
    case rtf::Align::Justify:
        return Qt::AlignJustify;
    case rtf::Align::Left:
        break;
    }
    return Qt::AlignLeft;
}

rtf::Align FromQt(Qt::Alignment a) {
    if (a & Qt::AlignHCenter) return rtf::Align::Center;
    if (a & Qt::AlignRight) return rtf::Align::Right;
    if (a & Qt::AlignJustify) return rtf::Align::Justify;
    return rtf::Align::Left;
}

QColor ToQt(rtf::Rgb c) {
    return QColor(c.r, c.g, c.b);
}
rtf::Rgb FromQt(const QColor& c) {
    return {static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
            static_cast<std::uint8_t>(c.blue())};
}

QTextCharFormat ToQt(const rtf::CharFormat& f) {
    QTextCharFormat q;
    if (!f.font.empty()) {
        q.setFontFamilies(QStringList{QString::fromStdString(f.font)});
        q.setProperty(kCharsetProperty, f.charset);
    }
    if (f.halfPoints > 0) q.setFontPointSize(f.halfPoints / 2.0);
    if (f.bold) q.setFontWeight(QFont::Bold);
    if (f.italic) q.setFontItalic(true);
    if (f.underline) q.setFontUnderline(true);
    if (f.strike) q.setFontStrikeOut(true);
    if (f.color) q.setForeground(ToQt(*f.color));
    if (f.background) q.setBackground(ToQt(*f.background));
    return q;
}

rtf::CharFormat FromQt(const QTextCharFormat& q) {
    rtf::CharFormat f;
    const QStringList families = q.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty()) {
        f.font = families.first().toStdString();
        f.charset = q.hasProperty(kCharsetProperty) ? q.intProperty(kCharsetProperty) : rtf::kDefaultCharset;
    }
    if (q.hasProperty(QTextFormat::FontPointSize))
        f.halfPoints = static_cast<int>(std::lround(q.fontPointSize() * 2));
    else if (q.hasProperty(QTextFormat::FontPixelSize))
        f.halfPoints = static_cast<int>(std::lround(q.intProperty(QTextFormat::FontPixelSize) * 0.75 * 2));
    f.bold = q.hasProperty(QTextFormat::FontWeight) && q.fontWeight() >= QFont::DemiBold;
    f.italic = q.fontItalic();
    f.underline = q.fontUnderline();
    f.strike = q.fontStrikeOut();
    if (q.hasProperty(QTextFormat::ForegroundBrush) && q.foreground().style() != Qt::NoBrush)
        f.color = FromQt(q.foreground().color());
    if (q.hasProperty(QTextFormat::BackgroundBrush) && q.background().style() != Qt::NoBrush)
        f.background = FromQt(q.background().color());
    return f;
}

} // namespace

void SetDocument(QTextDocument& target, const rtf::Document& doc) {
    const bool undo = target.isUndoRedoEnabled();
    target.setUndoRedoEnabled(false); // also clears the history
    target.clear();
    QTextCursor cursor(&target);
    bool first = true;
    for (const auto& p : doc.paragraphs) {
        QTextBlockFormat block;
        block.setAlignment(ToQt(p.align));
        if (first)
            cursor.setBlockFormat(block);
        else
            cursor.insertBlock(block, QTextCharFormat());
        first = false;
        for (const auto& r : p.runs)
            cursor.insertText(QString::fromStdString(r.text), ToQt(r.format));
    }
    target.setUndoRedoEnabled(undo);
    target.setModified(false);
}

rtf::Document GetDocument(const QTextDocument& source) {
    rtf::Document doc;
    for (QTextBlock b = source.begin(); b.isValid(); b = b.next()) {
        rtf::Paragraph p;
        p.align = FromQt(b.blockFormat().alignment());
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (!frag.isValid()) continue;
            QString text = frag.text();
            text.remove(QChar::ObjectReplacementCharacter); // pictures are not kept
            p.runs.push_back({text.toStdString(), FromQt(frag.charFormat())});
        }
        doc.paragraphs.push_back(std::move(p));
    }
    return rtf::Normalized(std::move(doc));
}

std::string QtRichEdit::streamOut() const {
    return rtf::WriteRtf(GetDocument(*m_editor->document()));
}

void QtRichEdit::streamIn(std::string_view blob) {
    SetDocument(*m_editor->document(), DocumentFromBlob(blob));
}

} // namespace nodo
