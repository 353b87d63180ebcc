#include "seed.h"

#include "base/error.h"
#include "base/strings.h"
#include "db/embeddedexec.h"
#include "seedpatterns.h"
#include "state/context.h"

#include <QDate>

namespace corvane {

namespace {

// Numeric constants go to the database as 16-bit integers; it converts them.
QVariant int16(int value)
{
    return QVariant::fromValue(static_cast<qint16>(value));
}

void seedAlberoCategorie(seed::Seeder& s)
{
    s.fixedRow(QStringLiteral("Select * FROM AlberoCategorie where ID = 0"),
               {{QStringLiteral("ID"), int16(0)},
                {QStringLiteral("Descrizione"), QStringLiteral("Root")},
                {QStringLiteral("IDPadre"), int16(0)},
                {QStringLiteral("IDCalcolaListino"), int16(0)}});
}

void seedCausali(seed::Seeder& s)
{
    const QString query = QStringLiteral("Select * FROM Causali ");
    s.copyIntoEmpty(query, query,
                    seed::copied({QStringLiteral("IDCausale"), QStringLiteral("Descrizione"),
                                  QStringLiteral("ValorizzazioneMagazzino")}));
}

void seedIva(seed::Seeder& s)
{
    const QString query = QStringLiteral("Select * FROM Iva ");
    s.copyIntoEmpty(query, query,
                    seed::copied({QStringLiteral("IdIva"), QStringLiteral("Descrizione"),
                                  QStringLiteral("Aliquota"), QStringLiteral("Note")}));
}

void seedNumerazioneDocumenti(seed::Seeder& s)
{
    s.copyIntoEmpty(QStringLiteral("Select * FROM NumerazioneDocumenti "),
                    QStringLiteral("Select Distinct NomeContatore FROM NumerazioneDocumenti "),
                    [](db::Recordset& row, const db::Recordset& reference) {
                        row.setField(QStringLiteral("NomeContatore"),
                                     reference.field(QStringLiteral("NomeContatore")));
                        row.setField(QStringLiteral("Sezionale"), QStringLiteral(""));
                        row.setField(QStringLiteral("Numerazione"), QStringLiteral("0"));
                        // Read per row: a run across midnight on 31 December takes the new year.
                        row.setField(QStringLiteral("Anno"), int16(QDate::currentDate().year()));
                    });
}

void seedParametri(seed::Seeder& s)
{
    seed::ByKey section;
    section.referenceQuery = QStringLiteral("Select * FROM Parametri ");
    section.keyField = QStringLiteral("IDparametro");
    section.lookupPrefix = QStringLiteral("Select * FROM Parametri WHERE IDparametro = ");
    section.insert = seed::copied({QStringLiteral("IDparametro"), QStringLiteral("Descrizione"),
                                   QStringLiteral("Valore"), QStringLiteral("Note")});
    // Valore keeps the local value: row 1 holds the database version.
    section.update = seed::copied({QStringLiteral("Note"), QStringLiteral("Descrizione")});
    s.byKey(section);
}

void seedProdotti(seed::Seeder& s)
{
    s.fixedRow(QStringLiteral("Select * FROM prodotti where idProdotto = 0"),
               {{QStringLiteral("idProdotto"), int16(0)},
                {QStringLiteral("CodInterno"), QStringLiteral("NUOVO0")},
                {QStringLiteral("Descrizione"), QStringLiteral("NESSUN PRODOTTO")},
                {QStringLiteral("Categoria"), int16(0)},
                {QStringLiteral("IdIva"), int16(0)}});
}

void seedSoggetti(seed::Seeder& s)
{
    s.fixedRow(QStringLiteral("Select * FROM Soggetti where IDSoggetto = 0"),
               {{QStringLiteral("IDSoggetto"), int16(0)},
                {QStringLiteral("IdTipoSoggetto"), QStringLiteral("CL")},
                {QStringLiteral("RagioneSociale"), QStringLiteral("ANONIMO")}});
}

void seedTipiDocumento(seed::Seeder& s)
{
    seed::ByKey section;
    section.probeQuery = QStringLiteral("Select * FROM TipiDocumento ");
    section.referenceQuery = section.probeQuery;
    section.keyField = QStringLiteral("IDTipoDocumento");
    section.lookupPrefix = QStringLiteral("Select * FROM TipiDocumento WHERE IDTipoDocumento = ");
    const seed::RowWriter copy = seed::copied(
        {QStringLiteral("IDTipoDocumento"), QStringLiteral("Descrizione"),
         QStringLiteral("NomeContatore"), QStringLiteral("ValorizzazioneMagazzino"),
         QStringLiteral("trasporto"), QStringLiteral("Riepilogativa"), QStringLiteral("Contabile"),
         QStringLiteral("IDTipiSoggetto"), QStringLiteral("AggiornaGiacenza"),
         QStringLiteral("IDTipoDocsorgente"), QStringLiteral("Copie"), QStringLiteral("Report")});
    section.insert = [copy](db::Recordset& row, const db::Recordset& reference) {
        copy(row, reference);
        row.setField(QStringLiteral("ECBrellomix"), int16(0));
    };
    s.byKey(section);
}

void seedTipiPagamento(seed::Seeder& s)
{
    seed::ByKey section;
    section.probeQuery = QStringLiteral("Select * FROM TipiPagamento ");
    section.referenceQuery = section.probeQuery;
    section.keyField = QStringLiteral("IDTipoPagamento");
    section.lookupPrefix = QStringLiteral("Select * FROM TipiPagamento WHERE IDTipoPagamento = ");
    section.insert = seed::copied({QStringLiteral("IDTipoPagamento"), QStringLiteral("Descrizione"),
                                   QStringLiteral("FineMese"), QStringLiteral("Giorni")});
    s.byKey(section);
}

void seedTipiSoggetti(seed::Seeder& s)
{
    seed::ByKey section;
    section.probeQuery = QStringLiteral("Select * FROM TipiSoggetti ");
    section.referenceQuery = section.probeQuery;
    // A key holding a quote ("L'A") must be looked up, not break the query text.
    section.keyField = QStringLiteral("IdTipoSoggetto");
    section.lookupPrefix = QStringLiteral("Select * FROM TipiSoggetti WHERE IdTipoSoggetto = '");
    section.textKey = true;
    section.insert =
        seed::copied({QStringLiteral("IdTipoSoggetto"), QStringLiteral("Descrizione")});
    s.byKey(section);
}

// One transaction per section on the embedded engine: a run cut short in the
// middle of a copy leaves the table as it was, to be copied whole next time,
// instead of half filled and never filled again. A failure still keeps the
// rows stored before it.
void runSection(db::Connection& local, seed::Seeder& s, void (*section)(seed::Seeder&))
{
    db::EmbeddedTransaction transaction(local);
    try {
        section(s);
    } catch (const Error&) {
        try {
            transaction.commit();
        } catch (const Error&) {
        }
        throw;
    }
    transaction.commit();
}

} // namespace

void SeedDefaultRows(Context& ctx)
{
    if (!ctx.g.LocalConnection || ctx.g.LocalConnection->State() != db::adStateOpen) return;

    // The first failure ends the seeding without a message; what was stored stays.
    seed::Seeder s(ctx);
    try {
        for (const auto section :
             {seedAlberoCategorie, seedCausali, seedIva, seedNumerazioneDocumenti, seedParametri,
              seedProdotti, seedSoggetti, seedTipiDocumento, seedTipiPagamento, seedTipiSoggetti}) {
            // Each section waits for the disk once: the window is served between them.
            ctx.port.yield();
            runSection(*ctx.g.LocalConnection, s, section);
        }
    } catch (const Error& e) {
        ctx.log.record(QStringLiteral("SeedDefaultRows stopped: %1 -- %2 (last query: %3)")
                           .arg(e.number())
                           .arg(e.description(), s.lastQuery()));
    }
}

} // namespace corvane
