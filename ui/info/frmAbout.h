#pragma once

#include "platform/ports/Services.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace quenzal {

class Shell;

// The About box: names the program, shows its version and the maker's web
// address, which opens the maker's home page when clicked. A small fixed
// dialog without an owner; it deletes itself when it is closed.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(Shell &shell, QWidget *parent = nullptr);
    ~frmAbout() override;

    void cmdOK_Click();
    void Label4_Click();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void Form_Load();

    Shell &m_shell;

    // Controls, named as in the box's layout.
    QLabel *imgsei = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QPushButton *cmdOK = nullptr;
    QLabel *Label8 = nullptr;
};

// Help, "About Quenzal": shows the About box modeless and without an owner.
// When no box is open a new one is created (and centred); an open box is only
// brought to the front, where it is. Returns the box shown.
frmAbout *showAboutBox(Services services);

} // namespace quenzal
