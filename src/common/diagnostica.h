#pragma once

#include <QLoggingCategory>

// One category per library, for the lines written where a failure is deliberately swallowed.
// All are silent unless the user turns them on, e.g. QT_LOGGING_RULES="tarvolin.*.debug=true"
// (see the README): the lines are debug messages, which these categories drop by default.
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcAusiliari)
Q_DECLARE_LOGGING_CATEGORY(lcCoda)
Q_DECLARE_LOGGING_CATEGORY(lcComune)
Q_DECLARE_LOGGING_CATEGORY(lcHost)
Q_DECLARE_LOGGING_CATEGORY(lcMotore)
Q_DECLARE_LOGGING_CATEGORY(lcRete)
Q_DECLARE_LOGGING_CATEGORY(lcRicerca)
Q_DECLARE_LOGGING_CATEGORY(lcServizio)
Q_DECLARE_LOGGING_CATEGORY(lcSorgenti)
