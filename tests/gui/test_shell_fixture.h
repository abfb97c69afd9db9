#pragma once

#include "TestDb.h"

#include "data/untDMRepres.h"
#include "windows/nucleo/Aplicacao.h"

#include <memory>

// A scratch installation with XR.ini, a CONFIG row and the configuration
// columns the main window reads, and the local-database module on it.
class InstalacaoTeste {
public:
    // configExtra: "COLUMN = value" pairs applied to the CONFIG row.
    explicit InstalacaoTeste(const QString &configExtra = {})
    {
        ReiniciaAplicacao();
        inst.writeFile(QStringLiteral("XR.ini"), "[Banco]\r\nBase=REPRESEN.FDB\r\n");
        auto db = inst.connect();
        execSql(*db, QStringLiteral("ALTER TABLE CONFIG ADD IDCLIEMAILOBR VARCHAR(1), ADD IDRELESTOQUE VARCHAR(1), "
                                    "ADD IDIMGPRODUTO VARCHAR(1)"));
        execSql(*db, QStringLiteral("CREATE TABLE CONFIG_IMAGEM (CNFIMG_CONFIG INTEGER NOT NULL, "
                                    "CNFIMG_IMAGEM BLOB SUB_TYPE 0 SEGMENT SIZE 4096)"));
        execSql(*db, QStringLiteral("INSERT INTO CONFIG (CODREP, NMUSUARIO, DSSENHA, IDRELESTOQUE) "
                                    "VALUES ('001', 'ana', 'Segredo', 'N')"));
        if (!configExtra.isEmpty())
            execSql(*db, QStringLiteral("UPDATE CONFIG SET ") + configExtra);
        db->Transaction()->Commit();
        db.reset();
        dm = std::make_unique<TDMRepres>(TDMRepresGanchos{});
    }
    ~InstalacaoTeste() { ReiniciaAplicacao(); }

    ScratchInstall inst;
    std::unique_ptr<TDMRepres> dm;
};

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

// A key press and release sent straight to a widget.
inline void teclaClique(QWidget *w, int tecla, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString &texto = {})
{
    QKeyEvent press(QEvent::KeyPress, tecla, mods, texto);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, tecla, mods, texto);
    QApplication::sendEvent(w, &release);
}

// Types the text character by character.
inline void digita(QWidget *w, const QString &texto)
{
    for (const QChar c : texto)
        teclaClique(w, c.toUpper().unicode(), Qt::NoModifier, QString(c));
}

#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
