// Saves a growing project over and over, as simhost saves it, until it is killed.
//
//   project_save_loop FILE [SAVES]
//
// Opens FILE (a new project when it does not exist), then repeatedly adds one generation (a
// building material, a wall made of it, an autotext; projectInfo.number = the generation) and
// saves over FILE, printing the generation after each completed save. Exit 3: FILE exists but
// cannot be read.
#include "model/Project.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const std::string file = argv[1];
    const long saves = argc > 2 ? std::stol(argv[2]) : -1;
    simhost::Project project;
    if (std::filesystem::exists(file)) {
        try {
            project = simhost::LoadProjectFile(file);
        } catch (const simhost::ProjectFileError& e) {
            std::cerr << e.what() << "\n";
            return 3;
        }
    }
    // Bulk, so that a save takes long enough for kills to land inside it.
    const std::string filler(4096, 'x');
    for (long n = 0; saves < 0 || n < saves; ++n) {
        const size_t generation = project.elements.elements.size() + 1;
        const std::string name = "Material " + std::to_string(generation);
        simhost::BuildingMaterial m;
        m.guid = GS::Guid::Generate();
        m.name = name;
        m.description = filler;
        project.attributes.buildingMaterials.push_back(m);
        simhost::Element wall;
        wall.guid = GS::Guid::Generate();
        wall.type = 1;
        wall.id = "Wall-" + std::to_string(generation);
        wall.wallAttribute = Int32(project.attributes.buildingMaterials.size());
        wall.area = double(generation);
        project.elements.elements.push_back(wall);
        project.autotexts.push_back({name, GS::Guid::Generate(), filler});
        project.info.number = std::to_string(generation);
        simhost::SaveProjectFile(project, file);
        std::printf("%zu\n", generation);
        std::fflush(stdout);
    }
    return 0;
}
