// The window "Diagnostics": the menu File / Exit and the text box with the report. It opens
// where it was last closed and writes the report of the check when loaded.
#pragma once

#include <QMainWindow>

#include "Check.h"
#include "WindowPosition.h"

class ReportBox;

class MainForm : public QMainWindow {
public:
    MainForm();

    // Restores the position and runs the check into the text box.
    Check::Outcome Load();
    ReportBox& Info() { return *mInfo; }

protected:
    // Unload: the program's other windows close, and the position is stored unless minimised.
    void closeEvent(QCloseEvent* inEvent) override;

private:
    ReportBox* mInfo;
    WindowPosition mPosition;
};
