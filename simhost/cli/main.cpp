// The simhost command.
#include "cli/Demo.h"
#include "cli/Script.h"
#include "cli/Serve.h"
#include "validate/Runner.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>
#include <thread>
#include <unistd.h>

#ifndef SIMHOST_DEMO_FOLDER
#define SIMHOST_DEMO_FOLDER "demo"
#endif

#ifndef SIMHOST_SERVE_FOLDER
#define SIMHOST_SERVE_FOLDER "simhost/serve"
#endif

#ifndef SIMHOST_DEFAULT_ADDON
#define SIMHOST_DEFAULT_ADDON "Quorvel.so"
#endif

namespace {

// --host-cost OPERATION=MICROSECONDS, repeatable: each call of the operation takes that long.
void AddHostCostOption(CLI::App* command, simhost::HostCosts& costs) {
    command
        ->add_option_function<std::vector<std::string>>(
            "--host-cost",
            [&costs](const std::vector<std::string>& texts) {
                for (const auto& text : texts)
                    costs.Parse(text);
            },
            "OPERATION=MICROSECONDS: each call of the operation (or selector, as GetElement or "
            "UtilityRequest.GETN) takes that long, as a real host's would; repeatable")
        ->check([](const std::string& text) {
            try {
                simhost::HostCosts().Parse(text);
                return std::string();
            } catch (const std::invalid_argument& e) {
                return std::string(e.what());
            }
        });
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"simhost: a simulated host application for the Quorvel add-on"};
    app.require_subcommand(1);
    // The same options on every system: on Windows too "/path" is a path, not an option.
    app.allow_windows_style_options(false);

    simhost::RunOptions run;
    run.addOn = SIMHOST_DEFAULT_ADDON;
    auto* runCommand = app.add_subcommand("run", "Run a JSON Lines script of steps against the add-on");
    runCommand->add_option("script", run.script, "the script")->required();
    runCommand->add_option("--project", run.project, "open this project file (default: a new empty project)");
    runCommand->add_option("--save", run.save, "save the project to this file at the end");
    runCommand->add_option("--addon", run.addOn, "the add-on module")->capture_default_str();
    runCommand->add_option("--files", run.filesFolder,
                           "serve the files of this folder as the add-on's file service on 127.0.0.1");
    runCommand->add_option("--debug-log", run.debugLog, "write the host's debug output to this file");
    AddHostCostOption(runCommand, run.costs);
    runCommand->add_option("--variance", run.variance,
                           "make the host vary within its contract, reproducibly from this seed");

    simhost::validate::ValidateOptions validate;
    validate.options.addOn = SIMHOST_DEFAULT_ADDON;
    auto* validateCommand = app.add_subcommand(
        "validate", "Run lifecycle, fault, memory and bad-input checks against the add-on and report each");
    validateCommand->add_option("--addon", validate.options.addOn, "the add-on module")
        ->capture_default_str();
    validateCommand->add_flag("--list", validate.list,
                              "list the checks (id, order, scope, level and description) and run none");
    validateCommand->add_option("--include", validate.selection.include,
                                "run only checks whose id matches one of these regular expressions");
    validateCommand->add_option("--exclude", validate.selection.exclude,
                                "skip checks whose id matches one of these regular expressions");
    validateCommand->add_option(
        "--seed", validate.options.seed,
        "seed of every randomised check (default: a random one, printed in the report)");
    validateCommand
        ->add_option("--timeout", validate.options.timeout,
                     "seconds a check, or one variant of a sweep, may run without progress")
        ->capture_default_str();
    validateCommand
        ->add_option("--call-limit", validate.options.callLimit,
                     "seconds of processor time one script call of the bad-input and fuzz checks may take")
        ->capture_default_str();
    validateCommand
        ->add_option("--memory-limit", validate.options.memoryLimitMiB,
                     "MiB by which one such script call may grow the peak memory")
        ->capture_default_str();
    validateCommand->add_flag(
        "--full", validate.options.full,
        "sweeps run every variant (every host call and every allocation failing, every wrong value)");
    validateCommand->add_option("--iterations", validate.options.iterations, "fuzzing iterations")
        ->capture_default_str();
    AddHostCostOption(validateCommand, validate.options.costs);
    validate.options.jobs = int(std::max(1u, std::thread::hardware_concurrency()));
    validateCommand->add_option("--jobs", validate.options.jobs, "variants of a sweep run side by side")
        ->capture_default_str()
        ->check(CLI::PositiveNumber);
    validateCommand
        ->add_option(
            "--json", validate.jsonFile,
            "write the machine-readable report to this file; without a file (or -) to standard output, "
            "the text report then going to standard error; with --list, list the checks as JSON")
        ->expected(0, 1);
    simhost::DemoOptions demo;
    demo.addOn = SIMHOST_DEFAULT_ADDON;
    demo.demoFolder = SIMHOST_DEMO_FOLDER;
    demo.save = "quorvel-demo-project.json";
    auto* demoCommand = app.add_subcommand(
        "demo", "Import the bundled catalogue into a sample project, draw with it and read it back");
    demoCommand->add_option("--demo", demo.demoFolder, "the demo folder")->capture_default_str();
    demoCommand->add_option("--addon", demo.addOn, "the add-on module")->capture_default_str();
    demoCommand->add_option("--save", demo.save, "save the project to this file")->capture_default_str();
    demoCommand->add_flag("--json", demo.json, "print the raw answer of every step instead of the summary");

    simhost::ServeOptions serve;
    serve.addOn = SIMHOST_DEFAULT_ADDON;
    serve.filesFolder = SIMHOST_DEMO_FOLDER "/files";
    serve.webFolder = SIMHOST_DEMO_FOLDER "/web";
    serve.catalogueFolder = SIMHOST_DEMO_FOLDER "/catalogue";
    serve.hostPageFolder = SIMHOST_SERVE_FOLDER;
    auto* serveCommand = app.add_subcommand(
        "serve", "Serve the palette and the host's view of the project on 127.0.0.1, for a browser");
    serveCommand->add_option("--project", serve.project,
                             "open this project file (default: a new empty project)");
    serveCommand->add_option(
        "--save", serve.save,
        "save the project to this file (default: to the --project file), on request and on exit");
    serveCommand
        ->add_option("--files", serve.filesFolder, "the add-on's file service and the catalogue's pictures")
        ->capture_default_str();
    serveCommand->add_option("--web", serve.webFolder, "the web application shown in the palette")
        ->capture_default_str();
    serveCommand->add_option("--catalogue", serve.catalogueFolder, "the products the web application offers")
        ->capture_default_str();
    serveCommand->add_option("--port", serve.port, "the port on 127.0.0.1 (0: any free port)")
        ->capture_default_str()
        ->check(CLI::Range(0, 65535));
    serveCommand->add_option("--addon", serve.addOn, "the add-on module")->capture_default_str();
    serveCommand->add_option("--debug-log", serve.debugLog,
                             "write the host's debug output to this file on exit");
    AddHostCostOption(serveCommand, serve.costs);
    serveCommand->add_option("--variance", serve.variance,
                             "make the host vary within its contract, reproducibly from this seed");

    CLI11_PARSE(app, argc, argv);
    if (serveCommand->parsed())
        return simhost::RunServe(serve, std::cout, std::cerr);
    if (runCommand->parsed())
        return simhost::RunScript(run, std::cout, std::cerr);
    if (validateCommand->parsed()) {
        validate.seedGiven = validateCommand->count("--seed") > 0;
        if (validateCommand->count("--json") > 0 && validate.jsonFile.empty())
            validate.jsonFile = "-";
        if (validate.list && validate.jsonFile == "-")
            validate.listJson = true;
        validate.progress = ::isatty(validate.jsonFile == "-" ? STDERR_FILENO : STDOUT_FILENO) == 1;
        return simhost::validate::RunValidate(validate, std::cout, std::cerr);
    }
    if (demoCommand->parsed())
        return simhost::RunDemo(demo, std::cout, std::cerr);
    return 2;
}
