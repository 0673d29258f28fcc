// Helpers for driving setup.exe from a second process under Wine, one file
// each job:
//   check.h      ok(), trace() and the texts of messages
//   files.h      paths, files and folders for a scenario's set-up
//   registry.h   the registry entries of the two install tools
//   remote.h     another process's windows, its list view and message boxes
//   pixels.h     icons told by their pixels, pictures of windows
//   setup_run.h  one run of setup.exe and its selection dialog
//   kinds.h      what setup.exe makes of a file by its name
//   steps.h      the steps the programs share: rows, stand-ins, Install
#pragma once

#include "check.h"
#include "files.h"
#include "kinds.h"
#include "pixels.h"
#include "registry.h"
#include "remote.h"
#include "setup_run.h"
#include "steps.h"
