#pragma once

#include <QString>

#include <exception>
#include <new>

// The application's error display: an error box titled with the
// application's title ("Mirvosim"), showing the error's own message.
void ShowApplicationError(const QString& message);

// Text shown when memory ran out.
QString OutOfMemoryText();

// Runs a handler's body so that no exception leaves it: each one is shown by
// the application's error display, an unknown one with an empty message.
template <class Body>
void RunHandler(Body&& body)
{
    try {
        body();
    } catch (const std::bad_alloc&) {
        ShowApplicationError(OutOfMemoryText());
    } catch (const std::exception& error) {
        ShowApplicationError(QString::fromUtf8(error.what()));
    } catch (...) {
        ShowApplicationError(QString());
    }
}
