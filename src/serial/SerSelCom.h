#pragma once

#include <QDialog>
#include <cstdint>

class QComboBox;
class QLabel;
class QFrame;
class QPushButton;

// "Select Port": offers every port from COM1 to COM50 that is there (also one held by
// another program). OK closes with Accepted, Cancel with Rejected.
class TComSelectForm : public QDialog {
public:
    explicit TComSelectForm(QWidget* Parent = nullptr);

    // The chosen port number; 0 when the list is empty.
    uint16_t SelectedComNum() const;

    QLabel* Label1;
    QLabel* Label2;
    QFrame* Bevel1;
    QComboBox* PortsComboBox;
    QPushButton* OkBtn;
    QPushButton* AbortBtn;

private:
    void FormCreate();
};
