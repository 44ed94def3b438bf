#include "export/ProjectOverviewExporter.h"

bool newProjectLoaded = false;
