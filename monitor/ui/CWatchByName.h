#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QStringListModel;

// "Watch by Name": any symbol, member or element by its path ("motor.gain",
// "f16Calibration[700]"), typed with completion of the names one step at a time, so that
// an element past those the symbol list shows can be watched. A name that resolves to
// nothing is refused with the reason and the dialog stays.
class CWatchByName : public QDialog {
    Q_OBJECT

public:
    // What the dialog asks of the window: the names that can follow a path typed so far,
    // and adding a path to the watch list (the reason it cannot be; empty when added).
    struct Lists {
        std::function<QStringList(const QString& typed)> completions;
        std::function<std::string(const std::string& path)> add;
    };
    CWatchByName(Lists lists, const QString& start, QWidget* parent = nullptr);

    void accept() override;

private:
    void Complete(const QString& typed);

    Lists m_lists;
    QLineEdit* m_name = nullptr;
    QLabel* m_refusal = nullptr;
    QStringListModel* m_candidates = nullptr;
};
