#include "app/ProgrammerToolTips.h"

#include "ui_CQuobinDlg.h"

#include <QKeySequence>

void SetUpProgrammerToolTips(Ui::CQuobinDlg& ui)
{
    struct Tip {
        QWidget* widget;
        const char* text;
        QKeySequence key;
    };
    const Tip tips[] = {
        {ui.podSelect, "The POD to use; shown when several are attached", {}},
        {ui.mcuSelect, "The target part; its memory map decides the regions", {}},
        {ui.resetAfterCheck, "Reset the target and let it run after programming", {}},
        {ui.resetPolarity, "Level of the target's reset line while it is held in reset", {}},
        {ui.resetDelay, "How long the reset line is held", {}},
        {ui.sFilePathEdit,
         "The S-record file to program; Enter loads it, Alt+Down lists recent files, or drop "
         "a file on the window",
         {}},
        {ui.browseButton, "Choose the S file", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {ui.dflashCheck, "Program the data flash", {}},
        {ui.bflashCheck, "Program the boot flash", {}},
        {ui.p1flashCheck, "Program the first program flash", {}},
        {ui.p2flashCheck, "Program the second program flash", {}},
        {ui.targetWriteVerifyButton, "Write the S file into the target's flash and verify it",
         QKeySequence(Qt::Key_F5)},
        {ui.targetWriteButton, "Write the S file into the target's flash",
         QKeySequence(Qt::Key_F6)},
        {ui.targetVerifyButton, "Compare the target's flash with the S file",
         QKeySequence(Qt::Key_F7)},
        {ui.podWriteVerifyButton, "Store the programming job in the POD and verify it",
         QKeySequence(Qt::SHIFT | Qt::Key_F5)},
        {ui.podWriteButton, "Store the programming job in the POD",
         QKeySequence(Qt::SHIFT | Qt::Key_F6)},
        {ui.podVerifyButton, "Compare the POD's stored job with the S file",
         QKeySequence(Qt::SHIFT | Qt::Key_F7)},
        {ui.getVersionButton, "Read the POD's firmware version", QKeySequence(Qt::Key_F8)},
        {ui.firmwareUpdateButton,
         "Write the carried firmware into the POD; the POD must be in its boot loader",
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_U)},
        {ui.targetResetButton, "Reset the target with the chosen polarity and delay",
         QKeySequence(Qt::Key_F9)},
        {ui.dataMonitoringButton, "Show the live variables of the running target",
         QKeySequence(Qt::CTRL | Qt::Key_M)},
        {ui.helpButton, "Open the manual", QKeySequence(Qt::Key_F1)},
        {ui.exitButton, "Close Quobin; during a run it closes when the run has ended",
         QKeySequence(Qt::Key_Escape)},
        {ui.runLogToggle, "Show or hide the log of every status of every run",
         QKeySequence(Qt::CTRL | Qt::Key_L)},
        {ui.runCounterLabel, "Runs since Quobin started", {}},
        {ui.transferLabel, "The region being sent and the time left", {}},
    };
    for (const Tip& tip : tips) {
        QString text = QString::fromUtf8(tip.text);
        // Esc belongs to the dialog itself; only the others are set on their buttons.
        if (!tip.key.isEmpty() && tip.widget != ui.exitButton)
            if (auto* button = qobject_cast<QAbstractButton*>(tip.widget))
                button->setShortcut(tip.key);
        if (!tip.key.isEmpty())
            text += QStringLiteral(" (%1)").arg(tip.key.toString(QKeySequence::NativeText));
        tip.widget->setToolTip(text);
        if (tip.widget->accessibleDescription().isEmpty())
            tip.widget->setAccessibleDescription(text);
    }
}
