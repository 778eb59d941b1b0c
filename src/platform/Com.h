#pragma once

namespace nodo {

// Component services that some platforms need set up for the GUI thread; nothing to do here.
class Com {
public:
    virtual ~Com() = default;
    virtual void initialize() {}
    virtual void uninitialize() {}
};

} // namespace nodo
