#pragma once
// Connects the filter objects to their dialogs: after this call
// ShowNewDialog / ShowEditDialog of every filter kind opens its dialog
// modally. The program calls it once at start-up.

void InstallFilterDialogs();
