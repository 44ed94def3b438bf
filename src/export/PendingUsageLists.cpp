// Nothing of this kind can be imported yet, so nothing of it is tagged in a project. Goes away
// when the library-part importers land with their lister.
#include "export/ProductUsage.h"

ProductUsageList ListTaggedLibraryParts() {
    return {};
}
