#pragma once
// What the storage steps need of a rich-text editor: its whole content streamed out as RTF, and
// replaced from a stored blob.
#include "notes/rtf/RichText.h"

#include <string>
#include <string_view>

namespace nodo {

class RichEdit {
public:
    virtual ~RichEdit() = default;
    virtual std::string streamOut() const = 0;
    // RTF, or plain text in the locale's encoding (GBK when it is not valid there); empty empties.
    virtual void streamIn(std::string_view blob) = 0;
};

// The content of a stored blob: RTF read tolerantly, anything else taken as plain text.
rtf::Document DocumentFromBlob(std::string_view blob);

// An editor without a window: the command line stores and shows notes through it exactly as an
// editor would.
class DocumentEdit : public RichEdit {
public:
    std::string streamOut() const override;
    void streamIn(std::string_view blob) override { m_doc = DocumentFromBlob(blob); }

    const rtf::Document& document() const { return m_doc; }
    void setDocument(rtf::Document doc) { m_doc = rtf::Normalized(std::move(doc)); }

private:
    rtf::Document m_doc = rtf::Normalized({});
};

} // namespace nodo
