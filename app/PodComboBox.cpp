#include "app/PodComboBox.h"

void PodComboBox::showPopup()
{
    emit popupAboutToShow();
    QComboBox::showPopup();
}
