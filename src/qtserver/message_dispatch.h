// The movie thread's work for each message code.
#pragma once

class MovieLibrary;
class QT_Msg;

// Runs the worker for the message's code. The success byte is cleared first
// and set by a worker whose work succeeded; codes without a worker fail.
void DispatchMessage(QT_Msg& message, MovieLibrary& library);
