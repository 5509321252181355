#pragma once

#include <QApplication>

namespace moxtal {

// The application object: its general error display shows an exception that leaves an event
// handler in a message box, and the program goes on.
class MoxtalApplication : public QApplication {
public:
    MoxtalApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Sets the application's title, fonts and icon theme.
void setUpApplication();

}  // namespace moxtal
