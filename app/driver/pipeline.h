#pragma once

class MainForm;

// The map production pipeline that tmStart runs once after the window is shown: from the
// statistics file in DataFile to the map on screen, or, in batch mode, to OutputFile and
// the end of the program. A failure raises RunTimeError or is reported on its own.
void RunPipeline(MainForm &form);

// File, Open: lets the user choose a statistics or option file, clears the shown map and
// runs the pipeline again with the new file.
void mnuOpen(MainForm &form);
