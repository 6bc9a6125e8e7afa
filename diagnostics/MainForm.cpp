#include "MainForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>

#include "ReportBox.h"

namespace {

constexpr int kWidth = 560;
constexpr int kHeight = 360;

}  // namespace

MainForm::MainForm() : mInfo(new ReportBox(this))
{
    setObjectName("frmMain");
    setWindowTitle("Diagnostics");
    QMenu* theFile = menuBar()->addMenu("&File");
    theFile->setObjectName("mnuFile");
    QAction* theExit = theFile->addAction("E&xit");
    theExit->setObjectName("mnuFileExit");
    connect(theExit, &QAction::triggered, this, &QWidget::close);
    setCentralWidget(mInfo);
    resize(kWidth, kHeight);
}

Check::Outcome MainForm::Load()
{
    mPosition.Restore(*this);
    return Check(*mInfo).Run();
}

void MainForm::closeEvent(QCloseEvent* inEvent)
{
    const QWidgetList theWindows = QApplication::topLevelWidgets();
    for (auto theWindow = theWindows.crbegin(); theWindow != theWindows.crend(); ++theWindow) {
        if (*theWindow != this && (*theWindow)->isWindow() && (*theWindow)->isVisible() &&
            (*theWindow)->windowType() != Qt::Popup)
            (*theWindow)->close();
    }
    if (!isMinimized())
        mPosition.Store(*this);
    inEvent->accept();
}
