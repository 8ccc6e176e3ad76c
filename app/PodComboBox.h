#pragma once

#include <QComboBox>

// The POD choice of the programmer window: tells the window before its list drops down,
// so that the serial numbers shown are those attached now.
class PodComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    void showPopup() override;

signals:
    void popupAboutToShow();
};
