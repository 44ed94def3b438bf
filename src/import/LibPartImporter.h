#pragma once

#include "api/LibraryRecords.h"
#include "import/BaseImporter.h"
#include "import/ProductPayload.h"

#include <string>

// The most records a parameter list can hold: its count is a 16-bit signed number.
inline constexpr Int32 MaxParameterRecords = 32767;

// The operations shared by the importers whose products end as library parts.
class LibPartImporter : public BaseImporter {
public:
    // Adds the downloaded library container to the library list unless its location is listed
    // already, and sends the list either way, so that the host reads the container anew. Answers
    // 0 whatever happened: the page is told of the download only, which the importer checked
    // before, and the host shows a container it refuses.
    static GSErrCode AddLibraryFile(ProductRecord record);
    // Copies the downloaded library-part file into the library folder and registers it, then
    // attaches its preview and writes its parameters. Answers the register operation's code, or
    // FindLibraryFolder's.
    static GSErrCode RegisterObjectFile(ProductRecord record);
    // Generates a library part with fixed scripts named after the product (the name made safe as
    // a file name); its preview is made of the product file when that arrived. Answers 0 whatever
    // happened, as the page expects: a part the host refuses is the host's to report.
    static GSErrCode CreateGeneratedLibPart(ProductRecord record);
    // The part's parameters followed by a title record per set and a text record per property.
    // `add`: the part is being created; else it is a registered part. False when the section
    // was not written because the list would not fit a parameter section.
    static bool WriteParameterSection(API_LibPart part, PropertySetMap properties, bool add);
    // The file's bytes as the part's preview of type "image/<extension>".
    static void AttachPreviewPicture(std::string extension, API_LibPart part, IO::Location location,
                                     bool add);

protected:
    // Refuse the import (ImportRefused) when the family product's file did not arrive, when the
    // product identifier does not fit the tag's text parameter whole (with a debug line), or when
    // the product's parameters alone cannot be held by one list.
    static void RequireDownloaded(const ProductRecord& record);
    static void RequireTagFits(const ProductRecord& record);
    static void RequireParametersFit(const ProductRecord& record);
};

// A FAMILY_IMPORT product: a library-part file ("GSM") is registered, a library container
// ("lcf") is added to the library list; other extensions do nothing.
class FamilyImporter : public LibPartImporter {
public:
    void Import(nlohmann::json product) override;
};

// A GENERIC_GEOMETRY_IMPORT product: a library part generated with fixed scripts.
class GenericImporter : public LibPartImporter {
public:
    void Import(nlohmann::json product) override;
};

// The library-part record the importers start from: kind 4, the name as document name.
API_LibPart MakeLibPartRecord(const std::string& documentName);
// Copies the text with its terminator into a 256-unit name field, cut to 255 units (never in the
// middle of a surrogate pair).
void CopyNameField(char16_t (&field)[LibPartNameUnits], const GS::UniString& text);
// The number of records a property map adds: one per set and one per property.
Int64 ParameterRecordCount(const PropertySetMap& properties);
