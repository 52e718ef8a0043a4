#pragma once

#include "FakeServices.h"
#include "TestHelpers.h"
#include "platform/widgets/RichTextArea.h"
#include "ui/main/frmMAIN.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include <memory>

namespace quenzal::test {

// A main window on fakes, with its controls at hand.
struct MainWindowFixture
{
    FakeServices fakes;
    std::unique_ptr<frmMAIN> window = std::make_unique<frmMAIN>(fakes.services());

    RichTextArea *rtfOriginal = control<RichTextArea>(window.get(), "rtfOriginal");
    RichTextArea *rtfNew = control<RichTextArea>(window.get(), "rtfNew");
    QLineEdit *txtPasswordOne = control<QLineEdit>(window.get(), "txtPasswordOne");
    QLineEdit *txtPasswordTwo = control<QLineEdit>(window.get(), "txtPasswordTwo");
    QLineEdit *txtFILE = control<QLineEdit>(window.get(), "txtFILE");
    QProgressBar *progressBar = control<QProgressBar>(window.get(), "ProgressBar");
    QPushButton *cmdLOCK = control<QPushButton>(window.get(), "cmdLOCK");
    QPushButton *command1 = control<QPushButton>(window.get(), "Command1");
};

} // namespace quenzal::test
