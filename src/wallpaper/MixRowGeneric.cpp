// Processors without vector loops of ours: the scalar loops do everything.
#include "wallpaper/MixRowVector.h"

namespace nodo::mixrow {

void AddVectorLoops(std::vector<MixRowLoop>&) {}
ExpandFn VectorExpand24To32() {
    return nullptr;
}

} // namespace nodo::mixrow
