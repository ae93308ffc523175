#pragma once

#include <QString>

// What a message box says, for the libraries that tell the user something without showing it.
namespace tarvolin {

enum class Icona { Informazione, Avviso, Domanda, Errore };
enum class Pulsanti { Ok, SiNo };
enum class Risposta { Ok, Si, No };

struct Messaggio {
    QString didascalia;
    QString testo;
    Icona icona = Icona::Avviso;
    Pulsanti pulsanti = Pulsanti::Ok;
};

} // namespace tarvolin
