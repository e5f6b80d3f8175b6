// The About window: created hidden, shown without blocking, closing only hides it.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace upd { class TDM; }

namespace upd::gui {

class AboutWindow : public QWidget {
    Q_OBJECT
public:
    explicit AboutWindow(const TDM& dm, QWidget* parent = nullptr);

    QLabel* Label2;
    QLabel* lblProgrammType;
    QLabel* lblUpdateDate;
    QPushButton* Button1;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate(const TDM& dm);
};

} // namespace upd::gui
