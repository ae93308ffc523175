#pragma once

#include "server_prova.h"

#include <QByteArray>

#include <gtest/gtest.h>

namespace tarvolin::net::prova {

// The routes the client tests use: redirects, cookies, echoes, bodies of any size, stalls.
void RegistraSito(ServerHttp& server);

// The body of "/dati": 1000 bytes that differ from position to position.
QByteArray DatiProva();

// A test with the site running on 127.0.0.1 for its duration.
class SitoTest : public ::testing::Test {
protected:
    SitoTest() {
        RegistraSito(server_);
        server_.Avvia();
    }
    ServerHttp server_;
};

} // namespace tarvolin::net::prova
