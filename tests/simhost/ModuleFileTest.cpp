// simhost reads an add-on's resources from the module's file, as a host does: the resource
// section of an ELF or PE image.
#include "runtime/ModuleFile.h"
#include "gs/Resources.h"
#include "host/HostApi.h"
#include "os/Module.h"
#include "runtime/System.h"
#include "support/InProcessAddOn.h"
#include "support/InProcessHost.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>

extern const unsigned char QuorvelResourceImage[];
extern const std::size_t QuorvelResourceImageSize;

namespace module_file_test {

using testing_support::TempFolder;

void Put(std::string& bytes, size_t at, UInt64 value, size_t width) {
    if (bytes.size() < at + width)
        bytes.resize(at + width);
    for (size_t i = 0; i < width; ++i)
        bytes[at + i] = char(value >> (8 * i));
}

// A PE image with two sections: ".text", and `name` holding `content` padded to 16 bytes.
std::string PeImage(const std::string& name, const std::string& content) {
    std::string pe = "MZ";
    Put(pe, 0x3C, 0x40, 4);
    pe.resize(0x40);
    pe += std::string("PE\0\0", 4);
    Put(pe, 0x44 + 2, 2, 2);  // two sections
    Put(pe, 0x44 + 16, 8, 2); // an optional header of 8 bytes
    const size_t table = 0x44 + 20 + 8, data = table + 2 * 40;
    pe.resize(table);
    for (const auto& [sectionName, bytes] :
         {std::pair<std::string, std::string>{".text", "code"}, {name, content}}) {
        const size_t at = pe.size(), padded = (bytes.size() + 15) / 16 * 16;
        pe += std::string(40, '\0');
        pe.replace(at, sectionName.size(), sectionName);
        Put(pe, at + 8, bytes.size(), 4); // its own size
        Put(pe, at + 16, padded, 4);      // its size in the file
        Put(pe, at + 20, data + (sectionName == ".text" ? 0 : 16), 4);
    }
    pe += "code" + std::string(12, '\0') + content + std::string((16 - content.size() % 16) % 16, '\0');
    return pe;
}

TEST(ModuleFile, TheResourceSectionIsReadFromAnElfOrPeFile) {
    // This program's own file.
#ifdef _WIN32
    const std::string self = OS::ModuleFilePath(reinterpret_cast<const void*>(&PeImage));
#else
    const std::string self = "/proc/self/exe";
#endif
    TempFolder t;
    const std::string image(reinterpret_cast<const char*>(QuorvelResourceImage), QuorvelResourceImageSize);
    std::string start(200, '\0');
    std::ifstream(simhost::sys::PathFromUtf8(self), std::ios::binary)
        .read(start.data(), std::streamsize(start.size()));
    testing_support::WriteFile(t / "cut.so", start);
    testing_support::WriteFile(t / "image.dll", PeImage(RS_ModuleSection, "resources!"));
    testing_support::WriteFile(t / "other.dll", PeImage(".data", "resources!"));
    testing_support::WriteFile(t / "text.so", "not a module at all");
    const struct {
        std::string path;
        std::string section;
        std::optional<std::string> bytes;
    } cases[] = {
        {self, RS_ModuleSection, image}, // this program links the add-on's resources
        {self, ".nothere", std::nullopt},
        {t / "cut.so", RS_ModuleSection, std::nullopt},
        {t / "image.dll", RS_ModuleSection, "resources!"},
        {t / "other.dll", RS_ModuleSection, std::nullopt},
        {t / "text.so", RS_ModuleSection, std::nullopt},
        {t / "missing.so", RS_ModuleSection, std::nullopt},
    };
    for (const auto& c : cases) {
        std::optional<std::string> read = simhost::ReadModuleSection(c.path, c.section);
        // A PE linker pads a section to its alignment with zeros, which the section's size counts.
        if (read && c.bytes && read->size() > c.bytes->size() && read->size() - c.bytes->size() < 64 &&
            read->find_first_not_of('\0', c.bytes->size()) == std::string::npos)
            read->resize(c.bytes->size());
        EXPECT_EQ(read, c.bytes) << c.path << " " << c.section;
    }
}

// The host reads the menu from the module's resources through a cache of its own, not the
// add-on's: without the module's resources the add-on has no menu to declare.
TEST(ModuleFile, TheHostReadsTheAddOnsResourcesNotTheAddOnsCache) {
    {
        testing_support::InProcessHost h;
        EXPECT_NE(h.host.addOn.resourceModule, -1);
        EXPECT_NE(h.host.addOn.resourceModule, HostApi::OwnResourceModule());
        EXPECT_NE(h.host.addOn.FindMenu(32500), nullptr);
    }
    simhost::Host host;
    simhost::Session session{host};
    simhost::AddOnImage image = testing_support::InProcessAddOn();
    image.resources.clear();
    session.LoadInProcess(image);
    const simhost::LifecycleResult life = session.RunLifecycle();
    EXPECT_EQ(life.failedStep, "RegisterAddOnInterface");
    EXPECT_EQ(life.code, ErrNotFound);
}

} // namespace module_file_test
