#pragma once

#include "gs/Types.h"
#include "model/Project.h"

#include <string>

// The edits a person makes to the project in the host's own windows, each answered with the
// host's code (0: done; nothing changes otherwise). They are the user's, not the add-on's: no
// host operation of the function table makes them.
namespace simhost {

// Deletes the attribute of the type (17 building material, 5 composite) that has the name. Its
// index becomes a hole that answers ErrDeleted; the count stays, and elements, composite skins and
// quantities that named it keep the index. ErrNotFound, ErrBadParameter for another type.
GSErrCode DeleteAttribute(Project& project, Int32 typeID, const std::string& name);

// Renames the attribute of the type that has the name; ErrNotFound, ErrNameExists when another
// attribute of the type has the new name, ErrBadParameter for an empty or too long name.
GSErrCode RenameAttribute(Project& project, Int32 typeID, const std::string& name, const std::string& to);

// Deletes the first element with that identifying text, and takes it out of the selection;
// ErrNotFound when no element has it.
GSErrCode DeleteElement(Project& project, const std::string& id);

// Removes the library the library list shows under that name. A container's parts go with it;
// so do the parts whose files lie in a folder library. Objects of those parts stay, their part
// missing. ErrNotFound when no library has the name; ErrBadParameter for the project's embedded
// library, which belongs to the project.
GSErrCode RemoveLibrary(Project& project, const std::string& name);

// Deletes the first registered or created library part of that name from the project (its file
// stays where it is); objects of it stay, their part missing unless another part has the name.
// ErrBadParameter when only a container has a part of that name (it is the container's: remove
// the library), ErrNotFound when none has.
GSErrCode DeleteLibraryPart(Project& project, const std::string& name);

} // namespace simhost
