#pragma once
#include <QString>

namespace nodo {

// Opens a document or web address with the desktop's default handler.
class Shell {
public:
    virtual ~Shell() = default;
    virtual bool open(const QString& url) = 0;
};

} // namespace nodo
