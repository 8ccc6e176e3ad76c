#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class CChangeValue;
}

// "Change Value" for a row of the symbol watch list: the symbol's name, view type and
// size for reference, and its value to edit, shown selected so that typing replaces it.
class CChangeValue : public QDialog {
    Q_OBJECT

public:
    struct Fields {
        QString symbolName;
        QString value;
        QString viewTypeName;
        QString dataSize;
    };
    // `monitoring`: whether a confirmed value goes out now; otherwise the dialog notes
    // that it is written only while monitoring runs.
    CChangeValue(const Fields& fields, bool monitoring, QWidget* parent = nullptr);
    ~CChangeValue() override;

    // The text to write, set by OK: for an ASCII symbol cut to what its words hold with
    // the terminating zero, for every other type the text as typed.
    const QString& result() const { return m_result; }

    void accept() override;

private:
    std::unique_ptr<Ui::CChangeValue> m_ui;
    Fields m_fields;
    QString m_result;
};
