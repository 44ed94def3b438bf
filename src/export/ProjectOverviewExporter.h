#pragma once

// Set by the project-event handler when a project was loaded; read and cleared by the overview.
extern bool newProjectLoaded;
