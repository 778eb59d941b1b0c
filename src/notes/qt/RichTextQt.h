#pragma once
// The Qt rich-text editors' content and the document model of the RTF reader and writer.
#include "notes/RichEdit.h"
#include "notes/rtf/RichText.h"

class QTextDocument;
class QTextEdit;

namespace nodo {

// Replaces the whole content of `target` (its undo history too, as loading a file does).
void SetDocument(QTextDocument& target, const rtf::Document& doc);
rtf::Document GetDocument(const QTextDocument& source);

// A Qt rich-text editor as the storage steps see it.
class QtRichEdit : public RichEdit {
public:
    explicit QtRichEdit(QTextEdit* editor) : m_editor(editor) {}
    std::string streamOut() const override;
    void streamIn(std::string_view blob) override;

private:
    QTextEdit* m_editor;
};

} // namespace nodo
