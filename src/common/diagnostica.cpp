#include "diagnostica.h"

// QtInfoMsg: debug messages, the only kind written through these, stay off by default.
Q_LOGGING_CATEGORY(lcApp, "tarvolin.app", QtInfoMsg)
Q_LOGGING_CATEGORY(lcAusiliari, "tarvolin.auxiliary", QtInfoMsg)
Q_LOGGING_CATEGORY(lcCoda, "tarvolin.queue", QtInfoMsg)
Q_LOGGING_CATEGORY(lcComune, "tarvolin.common", QtInfoMsg)
Q_LOGGING_CATEGORY(lcHost, "tarvolin.host", QtInfoMsg)
Q_LOGGING_CATEGORY(lcMotore, "tarvolin.engine", QtInfoMsg)
Q_LOGGING_CATEGORY(lcRete, "tarvolin.net", QtInfoMsg)
Q_LOGGING_CATEGORY(lcRicerca, "tarvolin.search", QtInfoMsg)
Q_LOGGING_CATEGORY(lcServizio, "tarvolin.service", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSorgenti, "tarvolin.sources", QtInfoMsg)
