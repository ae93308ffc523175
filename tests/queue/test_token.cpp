// The stored host logins as the service login and a new identification code see them.
#include "common/funzioni.h"
#include "queue/database.h"
#include "queue/schema.h"
#include "queue/token.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/qt_print.h"

using namespace tarvolin;
using namespace tarvolin::queue;

namespace {

TEST(Token, UidOfTheFirstRowOrNull) {
    QTemporaryDir dir;
    Database db(dir.filePath("database.opt"));
    CreaTabelle(db);
    EXPECT_EQ(LeggiUid(db), "NULL");
    const QString chiave = "7K2QX9TB4MRW8ZJN";
    db.Execute("INSERT INTO table_token VALUES (NULL,'token',?,'easybytez',?)",
               {XorHexEncode("cookie=1", chiave), XorHexEncode("primo@example.com", chiave)});
    db.Execute("INSERT INTO table_token VALUES (NULL,'token','','easybytez',?)",
               {XorHexEncode("secondo@example.com", chiave)});
    EXPECT_EQ(LeggiUid(db), "primo@example.com");
    db.Execute("UPDATE table_token SET uid = '' WHERE id = 1");
    EXPECT_EQ(LeggiUid(db), "");

    EliminaTokenHost(db);
    EXPECT_EQ(db.Query("SELECT id FROM table_token").RowCount(), 0);
    db.Execute("DROP TABLE table_token");
    EXPECT_EQ(LeggiUid(db), "NULL"); // unreadable counts as nothing stored
}

} // namespace
