#pragma once

#include "api/HostApiRecords.h"

#include <vector>

// The add-on's classification system "Quorvel" v1.0 and its item "Quorvel Materials".

// Creates the system, or finds it when it exists; the null GUID when neither worked.
API_Guid EnsureClassificationSystem();
// The GUID of the item "Quorvel Materials" of the system (run again when null), found at any
// depth or created at the top level.
API_Guid EnsureClassificationItem(API_Guid system);
// Appends the item's descendants in depth-first pre-order, children in the host's order.
void CollectItemDescendants(const API_ClassificationItem& item,
                            std::vector<API_ClassificationItem>& descendants);
