// The main window: draws the core's TfmMain and forwards the user's actions to it.
#pragma once

#include <QMainWindow>

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

namespace upd { class TfmMain; class Control; }

namespace upd::gui {

class AboutWindow;
class LogView;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(TfmMain& form, AboutWindow& about, QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* lblProgrammName;
    QLabel* lblUpdate;
    QPushButton* Button3;
    QProgressBar* ProgressBar1;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button4;
    QPushButton* Button5;
    QLabel* Label5;
    LogView* ListBox1;
    QAction* N2;
    QAction* N6;
    QAction* N3;

    // Runs a core handler the way the message loop does (errors to the error display).
    void run(void (TfmMain::*handler)());

signals:
    void shownFirstTime();

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    QWidget* buildLeftPanel();
    QWidget* buildRightPanel();
    void buildMenu();
    void bind(QWidget* widget, Control& control);
    void bind(QAction* action, Control& control);

    TfmMain& form_;
    AboutWindow& about_;
    bool shown_ = false;
};

} // namespace upd::gui
