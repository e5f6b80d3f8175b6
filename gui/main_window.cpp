#include "main_window.h"

#include "about_window.h"
#include "app/main_form.h"
#include "fonts.h"
#include "log_view.h"
#include "qt_event_pump.h"
#include "update_log_model.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace upd::gui {

namespace {

const QColor kNavy(0, 0, 128);

void setTextColour(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    w->setPalette(p);
}

// The left panel keeps its design positions; "Выход" sits on its bottom edge.
class LeftPanel : public QWidget {
public:
    using QWidget::QWidget;
    QPushButton* bottomButton = nullptr;

protected:
    void resizeEvent(QResizeEvent*) override {
        if (bottomButton) bottomButton->setGeometry(10, height() - 5 - 67, width() - 20, 67);
    }
};

} // namespace

MainWindow::MainWindow(TfmMain& form, AboutWindow& about, QWidget* parent)
    : QMainWindow(parent), form_(form), about_(about) {
    setObjectName("fmMain");
    setWindowTitle("Обновление программы Кордеваль.");
    setFont(fonts::tahoma(8));
    resize(869, 429);

    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildLeftPanel());
    layout->addWidget(buildRightPanel(), 1);
    setCentralWidget(central);
    buildMenu();

    lblUpdate->setText(QString::fromStdString(form_.lblUpdate));
    lblProgrammName->setText(QString::fromStdString(form_.lblProgrammName));

    // The model's changes show at once; the window holds no state of its own: the list reads
    // its lines from the log.
    auto* log = new UpdateLogModel(form_.ListBox1, ListBox1);
    ListBox1->setModel(log);
    form_.ListBox1.addObserver([this, log](size_t index, bool selected) {
        log->lineAppended(index);
        if (selected) ListBox1->selectRow(static_cast<int>(index));
    });
    form_.ListBox1.addChangeObserver([log](size_t index) { log->lineChanged(index); });
    form_.ProgressBar1.addObserver([this] {
        ProgressBar1->setRange(form_.ProgressBar1.min(), form_.ProgressBar1.max());
        ProgressBar1->setValue(form_.ProgressBar1.position());
    });
    bind(Button1, form_.Button1);
    bind(Button2, form_.Button2);
    bind(Button3, form_.Button3);
    bind(Button4, form_.Button4);
    bind(Button5, form_.Button5);
    bind(N2, form_.N2);
    form_.requestClose = [this] { close(); };

    connect(Button1, &QPushButton::clicked, this, [this] { run(&TfmMain::Button1Click); });
    connect(N6, &QAction::triggered, this, [this] { run(&TfmMain::N6Click); });
    connect(N2, &QAction::triggered, this, [this] { run(&TfmMain::N2Click); });
    connect(N3, &QAction::triggered, this, [this] {
        about_.show();
        about_.raise();
        about_.activateWindow();
    });
    connect(Button3, &QPushButton::clicked, this, [this] { run(&TfmMain::Button3Click); });
    connect(Button2, &QPushButton::clicked, this, [this] { run(&TfmMain::Button2Click); });
    connect(Button4, &QPushButton::clicked, this, [this] { run(&TfmMain::Button4Click); });
    connect(Button5, &QPushButton::clicked, this, [this] { run(&TfmMain::Button5Click); });
    // "Выход" is the window's cancel button: Esc presses it.
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, Button1, &QPushButton::animateClick);
}

QWidget* MainWindow::buildLeftPanel() {
    auto* panel = new LeftPanel(this);
    panel->setObjectName("Panel1");
    panel->setFixedWidth(366);

    Label1 = new QLabel("Обновление программы", panel);
    Label1->setFont(fonts::timesPx(16, true));
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Label1->setGeometry(0, 0, 366, 19);

    lblProgrammName = new QLabel(panel);
    lblProgrammName->setObjectName("lblProgrammName");
    lblProgrammName->setFont(fonts::timesPx(16, true));
    lblProgrammName->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblProgrammName->setGeometry(0, 19, 366, 19);
    setTextColour(lblProgrammName, kNavy);

    lblUpdate = new QLabel(panel);
    lblUpdate->setObjectName("lblUpdate");
    lblUpdate->setFont(fonts::timesPx(16, true));
    lblUpdate->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblUpdate->setGeometry(0, 55, 338, 19);
    setTextColour(lblUpdate, QColor(126, 56, 23));

    Button3 = new QPushButton("Обновить программу", panel);
    Button3->setObjectName("Button3");
    Button3->setFont(fonts::tahomaPx(16, true));
    Button3->setGeometry(11, 102, 344, 75);

    ProgressBar1 = new QProgressBar(panel);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setGeometry(11, 183, 344, 86);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);

    Button1 = new QPushButton("Выход", panel);
    Button1->setObjectName("Button1");
    Button1->setFont(fonts::tahomaPx(15, true));
    panel->bottomButton = Button1;

    Button2 = new QPushButton("1. Скачать архив документов", panel);
    Button2->setObjectName("Button2");
    Button2->setGeometry(88, 321, 338, 27);
    Button4 = new QPushButton("Посмотреть видео об обновлении (переход на канал Youtube)", panel);
    Button4->setObjectName("Button4");
    Button4->setGeometry(88, 237, 344, 78);
    Button5 = new QPushButton("Button5", panel);
    Button5->setObjectName("Button5");
    Button5->setGeometry(11, 272, 75, 25);
    return panel;
}

QWidget* MainWindow::buildRightPanel() {
    auto* panel = new QWidget(this);
    panel->setObjectName("Panel2");
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* strip = new QWidget(panel);
    strip->setObjectName("Panel3");
    strip->setFixedHeight(35);
    Label5 = new QLabel("Список обновленных файлов:", strip);
    Label5->setFont(fonts::timesPx(16, true));
    setTextColour(Label5, kNavy);
    Label5->move(8, 9);
    Label5->adjustSize();
    column->addWidget(strip);

    ListBox1 = new LogView(panel);
    ListBox1->setObjectName("ListBox1");
    column->addWidget(ListBox1, 1);
    return panel;
}

void MainWindow::buildMenu() {
    auto* file = menuBar()->addMenu("Файл");
    file->setObjectName("N4");
    N2 = file->addAction("Инструкции по установке");
    N2->setObjectName("N2");
    N6 = file->addAction("Выход");
    N6->setObjectName("N6");
    auto* about = menuBar()->addMenu("О программе");
    about->setObjectName("N1");
    N3 = about->addAction("О программе");
    N3->setObjectName("N3");
}

void MainWindow::bind(QWidget* widget, Control& control) {
    auto apply = [widget, &control] {
        widget->setEnabled(control.Enabled());
        widget->setVisible(control.Visible());
        if (auto* button = qobject_cast<QPushButton*>(widget); button && !control.Caption().empty())
            button->setText(QString::fromStdString(control.Caption()));
    };
    apply();
    control.addObserver(apply);
}

void MainWindow::bind(QAction* action, Control& control) {
    auto apply = [action, &control] {
        action->setEnabled(control.Enabled());
        action->setVisible(control.Visible());
    };
    apply();
    control.addObserver(apply);
}

void MainWindow::run(void (TfmMain::*handler)()) {
    form_.runHandler([this, handler] { (form_.*handler)(); });
}

bool MainWindow::event(QEvent* e) {
    if (e->type() == PostedMessageEvent::eventType()) {
        const auto m = static_cast<PostedMessageEvent*>(e)->message;
        if (m.message == WM_PROGRESS) form_.runHandler([&] { form_.MyProgress(m.wParam, m.lParam); });
        return true;
    }
    return QMainWindow::event(e);
}

void MainWindow::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!shown_) {
        shown_ = true;
        run(&TfmMain::FormShow);
        emit shownFirstTime();
    }
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (form_.busy()) {
        // An unpack is running on this thread: closing now would pull the window from under it.
        e->ignore();
        return;
    }
    run(&TfmMain::FormClose);
    about_.close();
    e->accept();
}

} // namespace upd::gui
