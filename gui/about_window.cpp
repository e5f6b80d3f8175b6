#include "about_window.h"

#include "app/identity.h"
#include "fonts.h"

#include <QLabel>
#include <QScreen>
#include <QPushButton>

namespace upd::gui {

AboutWindow::AboutWindow(const TDM& dm, QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName("fmAbout");
    setWindowTitle("О программе");
    setFont(fonts::tahoma(8));
    resize(402, 137);

    Label2 = new QLabel("Обновление программы", this);
    Label2->setFont(fonts::timesPx(16, false));
    Label2->move(22, 8);
    lblProgrammType = new QLabel(this);
    lblProgrammType->setFont(fonts::timesPx(16, true));
    lblProgrammType->move(22, 33);
    lblUpdateDate = new QLabel(this);
    lblUpdateDate->setFont(fonts::timesPx(16, false));
    lblUpdateDate->move(22, 58);
    Button1 = new QPushButton("ОК", this);
    Button1->setObjectName("Button1");
    Button1->setFont(fonts::tahomaPx(13, true));
    Button1->setGeometry(264, 104, 130, 25);
    connect(Button1, &QPushButton::clicked, this, &QWidget::hide);

    FormCreate(dm);
    for (auto* l : {Label2, lblProgrammType, lblUpdateDate}) l->adjustSize();
}

// The window stands at the centre of the screen it opens on, each time it is shown.
void AboutWindow::showEvent(QShowEvent* event) {
    if (const QScreen* s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
    QWidget::showEvent(event);
}

void AboutWindow::FormCreate(const TDM& dm) {
    lblUpdateDate->setText(kUpdateDateText);
    lblProgrammType->setText(QString::fromStdString(dm.ProgrammName()));
}

} // namespace upd::gui
