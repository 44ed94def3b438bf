// A project file survives its saver being killed: SIGKILL at random moments while a process saves
// a growing project over and over; after every kill the file holds either the last project the
// saver reported saved or the one it was saving, complete and readable.
#include "model/Project.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

struct Killed {
    std::vector<size_t> reported; // generations the saver reported saved
    bool midSave = false;         // killed with its temporary file written but not renamed yet
};

// When the saver is killed, `delay` after the moment `from` names.
enum class From {
    Start,         // it was started: kills in its start-up and first saves
    FirstSave,     // it reported its first save: kills among saves
    TemporaryFile, // its temporary file appeared: kills while it writes a save
};

// Starts the saver on `file`, kills it, answers what it reported.
Killed RunAndKill(const std::string& file, From from, std::chrono::microseconds delay) {
    int out[2];
    if (::pipe(out) != 0)
        throw std::runtime_error("pipe");
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        ::execl(PROJECT_SAVE_LOOP_PATH, PROJECT_SAVE_LOOP_PATH, file.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string text;
    char buffer[4096];
    const std::string temporary = file + ".tmp." + std::to_string(pid);
    while (from == From::FirstSave && text.find('\n') == std::string::npos) {
        ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0)
            break; // it ended: the status check below says so
        text.append(buffer, size_t(n));
    }
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (from == From::TemporaryFile && !std::filesystem::exists(temporary) &&
           std::chrono::steady_clock::now() < giveUp)
        std::this_thread::yield();
    std::this_thread::sleep_for(delay);
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, size_t(n));
    ::close(out[0]);
    EXPECT_TRUE(WIFSIGNALED(status)) << "the saver ended by itself with status " << status;
    Killed k;
    k.midSave = std::filesystem::exists(temporary);
    std::filesystem::remove(temporary);
    for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        k.reported.push_back(std::stoul(text.substr(at, end - at)));
    return k;
}

} // namespace

TEST(ProjectSaveKill, TheFileIsAlwaysTheOldOrTheNewProjectComplete) {
    const char* seedText = std::getenv("QUORVEL_KILL_SEED");
    const unsigned seed = seedText != nullptr ? unsigned(std::strtoul(seedText, nullptr, 10)) : 20261208u;
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> from(0, 2);
    std::uniform_int_distribution<int> delayMicroseconds(0, 30000);
    std::uniform_int_distribution<int> shortDelayMicroseconds(0, 2000);
    testing_support::TempFolder folder;
    const std::string file = folder / "project.json";

    size_t onDisk = 0; // the generation the file holds; 0: no file yet
    size_t killsMidSave = 0;
    // At least 80 kills, and on until enough of them landed inside a save: a loaded machine
    // changes where kills land, never whether the test sees them.
    int round = 0;
    for (; round < 400 && (round < 80 || killsMidSave < 5); ++round) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", round " + std::to_string(round));
        const From moment = From(from(random));
        const int delay =
            moment == From::TemporaryFile ? shortDelayMicroseconds(random) : delayMicroseconds(random);
        Killed k = RunAndKill(file, moment, std::chrono::microseconds(delay));
        const size_t lastReported = k.reported.empty() ? onDisk : k.reported.back();
        for (size_t i = 0; i < k.reported.size(); ++i)
            ASSERT_EQ(k.reported[i], onDisk + 1 + i) << "the saver went on from the file's generation";
        if (lastReported == 0 && !std::filesystem::exists(file))
            continue; // killed before its first save completed
        simhost::Project project;
        ASSERT_NO_THROW(project = simhost::LoadProjectFile(file)) << "the file cannot be read after the kill";
        const size_t generation = project.elements.elements.size();
        ASSERT_TRUE(generation == lastReported || generation == lastReported + 1)
            << "the file holds generation " << generation << ", the saver last reported " << lastReported;
        // Complete: every part of that generation is there, not a mix of two saves.
        ASSERT_EQ(project.info.number, std::to_string(generation));
        ASSERT_EQ(project.attributes.buildingMaterials.size(), generation);
        ASSERT_EQ(project.autotexts.size(), generation);
        killsMidSave += k.midSave;
        onDisk = generation;
    }
    std::cout << "seed " << seed << ": " << round << " kills, " << killsMidSave
              << " inside a save, the file at generation " << onDisk << "\n";
    EXPECT_GT(onDisk, 0u) << "no kill let a save complete: the test checked nothing";
    EXPECT_GE(killsMidSave, 5u) << "too few kills landed inside a save";
}
