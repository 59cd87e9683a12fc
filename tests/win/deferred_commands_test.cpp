// Commands queued while a screen is prepared: the order they came in, each
// run once, and the queue left alone by a preparation a command starts or a
// dialog it shows.
#include <gtest/gtest.h>

#include <string>

#include "app/deferred_commands_win32.h"
#include "state/prepared_slots_win32.h"

namespace {

std::string ran;

void stepA()
{
    if (!deferWhilePreparing(stepA))
        ran += 'A';
}

void stepC()
{
    if (!deferWhilePreparing(stepC))
        ran += 'C';
}

// Starts a preparation, as a step onto a screen the paint must prepare does.
void startsPreparation()
{
    if (deferWhilePreparing(startsPreparation))
        return;
    ran += 'S';
    preloadBusy = true;
}

// A dialog's message loop lets the report of a preparation in, and with it
// the queue's run.
void showsDialog()
{
    if (deferWhilePreparing(showsDialog))
        return;
    ran += '(';
    runDeferredCommands();
    ran += ')';
}

// A step taken while the dialog is up (a click the dialog lets through).
void showsDialogAndStepsMeanwhile()
{
    if (deferWhilePreparing(showsDialogAndStepsMeanwhile))
        return;
    ran += '(';
    stepA();
    ran += ')';
}

// Script letters: B raises and b lowers preloadBusy; r is the report of a
// completed preparation; A, C, S, D and E call the commands above; | marks
// in the log the moment it was reached.
void play(const char* script)
{
    for (const char* letter = script; *letter; ++letter) {
        switch (*letter) {
        case 'B': preloadBusy = true; break;
        case 'b': preloadBusy = false; break;
        case 'r': runDeferredCommands(); break;
        case 'A': stepA(); break;
        case 'C': stepC(); break;
        case 'S': startsPreparation(); break;
        case 'D': showsDialog(); break;
        case 'E': showsDialogAndStepsMeanwhile(); break;
        case '|': ran += '|'; break;
        default: break;
        }
    }
}

TEST(DeferredCommands, RunInTheOrderTheyCameEachOnceAfterThePreparation)
{
    const struct {
        const char* what;
        const char* script;
        const char* expected;
    } cases[] = {
        {"no preparation: at once", "A|", "A|"},
        {"during a preparation: after its report", "BA|br", "|A"},
        {"several: in order, each once", "BACA|br", "|ACA"},
        {"flag down, report not yet handled: behind the queued", "BAbC|", "AC|"},
        {"a command that starts a preparation holds the rest", "BSA|br|br", "|S|A"},
        {"a dialog that lets a report in runs nothing early", "BDA|br", "|()A"},
        {"a step during a queued command's dialog: after the queued", "BEC|br", "|()CA"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ran.clear();
        play(c.script);
        EXPECT_EQ(ran, c.expected);
        preloadBusy = false;
        runDeferredCommands();
        EXPECT_EQ(ran, c.expected) << "left in the queue";
    }
}

}  // namespace
