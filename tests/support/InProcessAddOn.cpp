#include "support/InProcessAddOn.h"

#include "host/EntryPoints.h"
#include "host/HostApi.h"

namespace testing_support {

simhost::AddOnImage InProcessAddOn() {
    simhost::AddOnImage image;
    image.path = "in-process";
    image.getExported = GetExportedFuncAddrs;
    image.setImported = SetImportedFuncAddrs;
    image.load = [] { HostApi::LibraryLoaded("in-process"); };
    image.unload = [] { AddOnLibraryUnloading(); };
    return image;
}

} // namespace testing_support
