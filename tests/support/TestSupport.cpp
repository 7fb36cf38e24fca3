#include "support/RecordingMessageBoxes.h"
#include "support/ScriptedFileDialogs.h"
