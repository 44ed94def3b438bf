// Nothing of these kinds can be imported yet, so nothing of them is tagged in a project. Goes
// away when the composite and library-part importers land with their listers.
#include "export/ProductUsage.h"

ProductUsageList ListTaggedComposites(UsageScan&) {
    return {};
}
ProductUsageList ListTaggedLibraryParts() {
    return {};
}
