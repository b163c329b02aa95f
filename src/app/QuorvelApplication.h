#pragma once

#include <QApplication>

// The application object. Handlers of the system may fail with an exception; it must not
// cross the event loop, so it is caught here, shown, and the program carries on.
class QuorvelApplication : public QApplication {
    Q_OBJECT
public:
    QuorvelApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
