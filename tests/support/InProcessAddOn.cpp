#include "support/InProcessAddOn.h"

#include "host/EntryPoints.h"
#include "host/HostApi.h"

extern const unsigned char QuorvelResourceImage[];
extern const std::size_t QuorvelResourceImageSize;

namespace testing_support {

simhost::AddOnImage InProcessAddOn() {
    simhost::AddOnImage image;
    image.path = "in-process";
    image.getExported = GetExportedFuncAddrs;
    image.setImported = SetImportedFuncAddrs;
    image.load = [] { HostApi::LibraryLoaded("in-process"); };
    image.unload = [] { AddOnLibraryUnloading(); };
    // The image the module's file would hold in its resource section.
    image.resources.assign(reinterpret_cast<const char*>(QuorvelResourceImage), QuorvelResourceImageSize);
    return image;
}

} // namespace testing_support
