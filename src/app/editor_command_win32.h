#pragma once

// Looks up the Quadrel editor's program in the ".qdl" open command of the
// registry and stores it in editorCommand (empty when there is none).
void readEditorCommand();
