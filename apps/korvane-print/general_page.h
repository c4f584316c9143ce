// The dialog's General page: which pages, pages per sheet, orientation. The page ranges are
// checked as they are typed.
#pragma once

#include <QWidget>

class JobChoices;
class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

class GeneralPage : public QWidget {
    Q_OBJECT
public:
    explicit GeneralPage(QWidget* parent = nullptr);

    // Shows the choices of a job (nullptr: no printer) and edits them from now on.
    void attach(JobChoices* choices);
    // Whether the pages field holds ranges CUPS takes (always, with all pages chosen).
    bool pagesAreValid() const;

signals:
    void choicesChanged();

private:
    void pagesEdited();
    void layoutChosen();
    void showChoices();

    JobChoices* choices_ = nullptr;
    QRadioButton* allPages_ = nullptr;
    QRadioButton* somePages_ = nullptr;
    QLineEdit* pagesEdit_ = nullptr;
    QLabel* pagesProblem_ = nullptr;
    QComboBox* numberUp_ = nullptr;
    QComboBox* orientation_ = nullptr;
};
