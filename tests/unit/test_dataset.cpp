#include "platform/DataSet.h"
#include "platform/DataSetModel.h"

#include <gtest/gtest.h>

#include <QItemSelectionModel>

#include <functional>
#include <random>
#include <thread>

namespace {

// CODIGO, NOME, VALOR
std::unique_ptr<DataSet> table(std::vector<Row> rows = {{1, "Ana", 10.0}, {2, "Bia", 30.0}, {3, "Caio", 20.0}})
{
    auto ds = std::make_unique<DataSet>();
    ds->setFieldDefs({{"CODIGO", FieldType::Integer}, {"NOME", FieldType::String, 20}, {"VALOR", FieldType::Float}});
    ds->setRows(std::move(rows));
    ds->open();
    return ds;
}

QStringList names(DataSet &ds)
{
    QStringList out;
    for (int i = 0; i < ds.recordCount(); ++i)
        out << ds.valueAt(i, 1).toString();
    return out;
}

} // namespace

TEST(DataSet, InsertAppendEditDeleteAndCancel)
{
    auto ds = table();
    ds->setRecNo(2);
    ds->insert();
    EXPECT_EQ(ds->state(), DataSet::State::Insert);
    EXPECT_EQ(ds->recNo(), 2);
    ds->fieldByName("nome")->setValue("Nova");
    ds->post();
    EXPECT_EQ(names(*ds), (QStringList{"Ana", "Nova", "Bia", "Caio"}));
    EXPECT_EQ(ds->fieldByName("NOME")->asString(), "Nova");

    ds->append();
    ds->fieldByName("NOME")->setValue("Fim");
    ds->cancel();
    EXPECT_EQ(ds->recordCount(), 4);

    ds->first();
    ds->edit();
    ds->fieldByName("NOME")->setValue("Ana Maria");
    ds->next(); // moving posts
    EXPECT_EQ(ds->valueAt(0, 1).toString(), "Ana Maria");

    ds->edit();
    ds->fieldByName("NOME")->setValue("perdido");
    ds->cancel();
    EXPECT_EQ(ds->fieldByName("NOME")->asString(), "Nova");

    ds->deleteRecord();
    EXPECT_EQ(names(*ds), (QStringList{"Ana Maria", "Bia", "Caio"}));
    EXPECT_EQ(ds->recNo(), 2);
    EXPECT_THROW(ds->fieldByName("NOME")->setValue("x"), EDatabaseError); // browse state
}

TEST(DataSet, BeforeEventsCancelWithAbortAndEventsRunInOrder)
{
    auto ds = table();
    QStringList log;
    ds->beforeInsert = [&](DataSet &) { log << "beforeInsert"; };
    ds->onNewRecord = [&](DataSet &d) {
        log << "newRecord";
        d.fieldByName("VALOR")->setValue(1.5);
    };
    ds->beforePost = [&](DataSet &d) {
        log << "beforePost";
        if (d.fieldByName("NOME")->asString().isEmpty())
            throw EAbort();
    };
    ds->afterPost = [&](DataSet &) { log << "afterPost"; };
    ds->beforeDelete = [&](DataSet &) { throw EAbort(); };
    ds->afterScroll = [&](DataSet &) { log << "scroll"; };

    ds->append();
    EXPECT_EQ(ds->fieldByName("VALOR")->asFloat(), 1.5);
    EXPECT_THROW(ds->post(), EAbort);
    EXPECT_EQ(ds->state(), DataSet::State::Insert); // still editable
    ds->fieldByName("NOME")->setValue("Davi");
    ds->post();
    EXPECT_EQ(log, (QStringList{"beforeInsert", "newRecord", "scroll", "beforePost", "beforePost", "afterPost"}));
    EXPECT_EQ(ds->recordCount(), 4);

    EXPECT_THROW(ds->deleteRecord(), EAbort);
    EXPECT_EQ(ds->recordCount(), 4);
}

TEST(DataSet, FieldValidateKeepsTheOldValueAndChangeFollows)
{
    auto ds = table();
    Field *valor = ds->fieldByName("VALOR");
    int changes = 0;
    valor->onValidate = [](Field &f) {
        if (f.asFloat() < 0)
            throw EDatabaseError("negativo");
    };
    valor->onChange = [&](Field &) { ++changes; };
    ds->edit();
    valor->setValue(5.0);
    EXPECT_THROW(valor->setValue(-1.0), EDatabaseError);
    EXPECT_EQ(valor->asFloat(), 5.0);
    EXPECT_EQ(changes, 1);
}

TEST(DataSet, ModifiedOnlyAfterAFieldIsSetInTheCurrentEdit)
{
    auto ds = table();
    ds->onNewRecord = [](DataSet &d) { d.fieldByName("VALOR")->setValue(1.0); }; // a default is no change
    Field *nome = ds->fieldByName("NOME");
    struct Step {
        const char *what;
        std::function<void()> run;
        bool modified;
    } steps[] = {
        {"browse", [] {}, false},
        {"edit", [&] { ds->edit(); }, false},
        {"set in edit", [&] { nome->setValue("X"); }, true},
        {"post", [&] { ds->post(); }, false},
        {"edit again", [&] { ds->edit(); }, false},
        {"set again", [&] { nome->setValue("Y"); }, true},
        {"cancel", [&] { ds->cancel(); }, false},
        {"append", [&] { ds->append(); }, false},
        {"set in insert", [&] { nome->setValue("Z"); }, true},
        {"append posts and starts over", [&] { ds->append(); }, false},
        {"insert", [&] { ds->cancel(); ds->insert(); }, false},
        {"set inserted", [&] { nome->setValue("W"); }, true},
        {"rows replaced", [&] { ds->setRows({{9, "N", 0.0}}); }, false},
    };
    for (const Step &s : steps) {
        s.run();
        EXPECT_EQ(ds->modified(), s.modified) << s.what;
    }
    EXPECT_THROW(nome->setValue("browse"), EDatabaseError);
    EXPECT_FALSE(ds->modified());
}

TEST(DataSet, SortsByAFieldListWithDescendingFieldsAndKeepsBookmarks)
{
    auto ds = table({{1, "B", 2.0}, {2, "A", 2.0}, {3, "C", 1.0}, {4, "D", QVariant()}});
    ds->setRecNo(3); // C
    const Bookmark c = ds->bookmark();
    ds->addIndex("IDX", "VALOR;NOME", "NOME;");
    ds->setIndexName("IDX");
    EXPECT_EQ(names(*ds), (QStringList{"D", "C", "B", "A"})); // null first, then ties by name descending
    EXPECT_EQ(ds->fieldByName("NOME")->asString(), "C");       // still on the same record
    ds->setIndexFieldNames("NOME");
    EXPECT_EQ(names(*ds), (QStringList{"A", "B", "C", "D"}));
    ds->gotoBookmark(c);
    EXPECT_EQ(ds->recNo(), 3);
    ds->deleteRecord();
    EXPECT_FALSE(ds->bookmarkValid(c));
    EXPECT_THROW(ds->gotoBookmark(c), EDatabaseError);
    EXPECT_THROW(ds->setIndexName("NADA"), EDatabaseError);
    EXPECT_THROW(ds->setIndexFieldNames("NADA"), EDatabaseError);
    EXPECT_EQ(names(*ds), (QStringList{"A", "B", "D"}));

    // an edited row moves to its place in the order
    ds->first();
    ds->edit();
    ds->fieldByName("NOME")->setValue("Z");
    ds->post();
    EXPECT_EQ(names(*ds), (QStringList{"B", "D", "Z"}));
    EXPECT_EQ(ds->recNo(), 3);
}

TEST(DataSet, FilterHidesRowsAndBadTextLeavesItOff)
{
    auto ds = table();
    ds->setFilter("VALOR >= '20'");
    ds->setFiltered(true);
    EXPECT_EQ(names(*ds), (QStringList{"Bia", "Caio"}));
    ds->setFiltered(false);
    ds->setFilter("VALOR >= 'vinte'");
    EXPECT_THROW(ds->setFiltered(true), EDatabaseError);
    EXPECT_FALSE(ds->filtered());
    EXPECT_EQ(ds->recordCount(), 3);

    // a posted row that fails the filter leaves the view
    ds->setFilter("NOME LIKE 'B%'");
    ds->setFiltered(true);
    ds->edit();
    ds->fieldByName("NOME")->setValue("Xana");
    ds->post();
    EXPECT_EQ(ds->recordCount(), 0);
}

TEST(DataSet, ClonesShareRowsButKeepTheirOwnCursorFilterAndOrder)
{
    auto ds = table();
    ds->setFilter("CODIGO > 1");
    ds->setFiltered(true);
    DataSet clone;
    clone.cloneCursor(*ds);
    EXPECT_EQ(clone.recordCount(), 3); // settings reset
    clone.setIndexFieldNames("VALOR");
    EXPECT_EQ(names(clone), (QStringList{"Ana", "Caio", "Bia"}));
    clone.last();
    EXPECT_EQ(ds->recNo(), 1);

    ds->edit();
    ds->fieldByName("VALOR")->setValue(0.0); // Bia becomes the smallest
    ds->post();
    EXPECT_EQ(names(clone), (QStringList{"Bia", "Ana", "Caio"}));
    EXPECT_EQ(clone.fieldByName("NOME")->asString(), "Bia"); // clone stays on its record
    EXPECT_EQ(clone.recNo(), 1);

    clone.first();
    clone.deleteRecord(); // Bia, through the clone
    EXPECT_EQ(names(*ds), (QStringList{"Caio"}));

    DataSet kept;
    kept.cloneCursor(*ds, true);
    EXPECT_EQ(names(kept), (QStringList{"Caio"}));
    ds.reset(); // rows outlive the source
    EXPECT_EQ(names(clone), (QStringList{"Ana", "Caio"}));
}

TEST(DataSet, DisabledControlsTellViewsOnceAtTheEnd)
{
    auto ds = table();
    int resets = 0, changes = 0;
    QObject ctx;
    QObject::connect(ds.get(), &DataSet::rowsReset, &ctx, [&resets] { ++resets; });
    QObject::connect(ds.get(), &DataSet::rowChanged, &ctx, [&changes] { ++changes; });
    ds->disableControls();
    ds->disableControls();
    for (ds->first(); !ds->eof(); ds->next()) {
        ds->edit();
        ds->fieldByName("NOME")->setValue("S");
        ds->post();
    }
    ds->enableControls();
    EXPECT_EQ(resets + changes, 0);
    ds->enableControls();
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(names(*ds), (QStringList{"S", "S", "S"}));
}

TEST(DataSet, DisplayFormats)
{
    struct Case {
        QVariant value;
        FieldType type;
        const char *format;
        const char *expected;
    } cases[] = {
        {1234.5, FieldType::Float, "#,##0.00", "1.234,50"},
        {1234.5, FieldType::Float, "", "1234,5"},
        {QDate(2024, 3, 5), FieldType::Date, "", "05/03/2024"},
        {QDateTime(QDate(2024, 3, 5), QTime(8, 9, 10)), FieldType::DateTime, "dd/mm/yyyy hh:nn", "05/03/2024 08:09"},
        {QVariant(), FieldType::Float, "0.00", ""},
        {true, FieldType::Boolean, "", "True"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Field::displayTextOf(c.value, c.type, QString::fromUtf8(c.format)), QString::fromUtf8(c.expected))
            << c.expected;
}

TEST(DataSetModel, ReadsWithoutMovingTheCursorAndFollowsTheView)
{
    auto ds = table();
    DataSetModel model;
    model.setDataSet(ds.get());
    QItemSelectionModel sel(&model);
    model.bindSelection(&sel);
    ds->setRecNo(2);
    for (int r = 0; r < model.rowCount(); ++r)
        (void)model.data(model.index(r, 1));
    EXPECT_EQ(ds->recNo(), 2);
    EXPECT_EQ(sel.currentIndex().row(), 1);

    // editing through the view posts when the row changes
    ASSERT_TRUE(model.setData(model.index(1, 1), "Beatriz"));
    EXPECT_EQ(ds->state(), DataSet::State::Edit);
    sel.setCurrentIndex(model.index(2, 1), QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(ds->state(), DataSet::State::Browse);
    EXPECT_EQ(ds->recNo(), 3);
    EXPECT_EQ(ds->valueAt(1, 1).toString(), "Beatriz");

    // a refused post keeps both on the edited row and reports nothing for an abort
    ds->beforePost = [](DataSet &) { throw EAbort(); };
    ASSERT_TRUE(model.setData(model.index(2, 2), "5,5"));
    sel.setCurrentIndex(model.index(0, 1), QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(ds->state(), DataSet::State::Edit);
    EXPECT_EQ(sel.currentIndex().row(), 2);
    EXPECT_EQ(model.data(model.index(2, 2)).toString(), "5,5");
}

TEST(DataSetModel, TheViewKeepsItsColumnThroughResetsAndLeavesABlankInsertOut)
{
    auto ds = table();
    DataSetModel model;
    model.setDataSet(ds.get());
    QItemSelectionModel sel(&model);
    model.bindSelection(&sel);
    model.cancelsBlankInsert = true;
    sel.setCurrentIndex(model.index(1, 2), QItemSelectionModel::ClearAndSelect);
    struct Step {
        const char *what;
        std::function<void()> run;
        int row; // the view's current row, always in column 2
    } steps[] = {
        {"edit", [&] { ds->edit(); }, 1},
        {"post", [&] { ds->fieldByName("NOME")->setValue("B"); ds->post(); }, 1},
        {"append", [&] { ds->append(); }, 3},
        {"post of the append", [&] { ds->fieldByName("NOME")->setValue("D"); ds->post(); }, 3},
        {"cancel of an insert", [&] { ds->insert(); ds->cancel(); }, 3},
        {"rows replaced", [&] { ds->setRows({{7, "X", 1.0}, {8, "Y", 2.0}}); }, 0},
        // leaving a blank line drops it; the rows below it move up
        {"blank insert left downwards", [&] {
             ds->insert();
             sel.setCurrentIndex(model.index(1, 2), QItemSelectionModel::ClearAndSelect);
         }, 0},
    };
    for (const Step &s : steps) {
        s.run();
        EXPECT_EQ(sel.currentIndex().row(), s.row) << s.what;
        EXPECT_EQ(sel.currentIndex().column(), 2) << s.what;
        EXPECT_EQ(ds->recNo(), s.row + 1) << s.what;
    }
    EXPECT_EQ(ds->state(), DataSet::State::Browse);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(ds->fieldByName("NOME")->asString(), "X");
}

TEST(DataSet, AdoptingPreparedRowsActsAsARedefinitionAndReload)
{
    // The same reload done both ways on a dataset with a filter, an order,
    // an edit in progress, a clone and a view: everything seen must match.
    const std::vector<FieldDef> defs{{"NOME", FieldType::String, 20}, {"CODIGO", FieldType::Integer}};
    const std::vector<Row> rows{{"Rui", 5}, {"Ana", 1}, {"Caio", 7}, {"Bia"}}; // the last one short
    struct Lado {
        std::unique_ptr<DataSet> ds = table();
        DataSet clone;
        DataSetModel model;
        QStringList sinais;
        QObject ctx;
        Lado()
        {
            ds->setFilter("CODIGO > 1");
            ds->setFiltered(true);
            ds->setIndexFieldNames("NOME");
            clone.cloneCursor(*ds);
            model.setDataSet(ds.get());
            ds->edit();
            ds->fieldByName("NOME")->setValue("Zeca");
            QObject::connect(ds.get(), &DataSet::structureChanged, &ctx, [this] { sinais << "structure"; });
            QObject::connect(ds.get(), &DataSet::rowsReset, &ctx,
                             [this] { sinais << QString("reset %1").arg(ds->recordCount()); });
            QObject::connect(ds.get(), &DataSet::currentChanged, &ctx, [this](int r) { sinais << QString("current %1").arg(r); });
            QObject::connect(ds.get(), &DataSet::stateChanged, &ctx, [this] { sinais << "state"; });
        }
    };
    Lado antigo, novo;
    antigo.ds->setFieldDefs(defs);
    antigo.ds->setRows(rows);

    DataSet::PreparedRows preparadas;
    std::thread([&] { preparadas = DataSet::PreparedRows(defs, rows); }).join(); // built off this thread
    EXPECT_EQ(preparadas.rowCount(), 4);
    DataSet::PreparedRows velhas = novo.ds->adoptRows(std::move(preparadas));

    EXPECT_EQ(novo.sinais, antigo.sinais);
    EXPECT_EQ(novo.ds->fieldNames(), (QStringList{"NOME", "CODIGO"}));
    EXPECT_EQ(novo.ds->state(), antigo.ds->state());
    EXPECT_FALSE(novo.ds->modified());
    EXPECT_EQ(novo.ds->recordCount(), antigo.ds->recordCount());
    EXPECT_EQ(novo.ds->recNo(), antigo.ds->recNo());
    EXPECT_EQ(novo.ds->bookmark(), antigo.ds->bookmark());
    EXPECT_EQ(novo.model.rowCount(), antigo.model.rowCount());
    for (int r = 0; r < novo.ds->recordCount(); ++r)
        EXPECT_EQ(novo.ds->rowAt(r), antigo.ds->rowAt(r)) << r;

    // the filter and order were kept by name and apply again
    novo.ds->setFiltered(true);
    antigo.ds->setFiltered(true);
    novo.ds->setIndexFieldNames("CODIGO");
    antigo.ds->setIndexFieldNames("CODIGO");
    QStringList vistos, esperados;
    for (int r = 0; r < novo.ds->recordCount(); ++r)
        vistos << novo.ds->valueAt(r, 0).toString();
    for (int r = 0; r < antigo.ds->recordCount(); ++r)
        esperados << antigo.ds->valueAt(r, 0).toString();
    EXPECT_EQ(vistos, (QStringList{"Rui", "Caio"}));
    EXPECT_EQ(vistos, esperados);
    novo.ds->setFiltered(false);
    ASSERT_EQ(novo.ds->recordCount(), 4);
    EXPECT_EQ(novo.ds->rowAt(0).size(), 2u); // the short row, padded with a null code
    EXPECT_TRUE(novo.ds->rowAt(0)[1].isNull());

    // the clone keeps the old rows; the old ones come back whole
    EXPECT_EQ(names(novo.clone), names(antigo.clone));
    EXPECT_EQ(names(novo.clone), (QStringList{"Ana", "Bia", "Caio"}));
    EXPECT_EQ(velhas.rowCount(), 3);
    ASSERT_EQ(velhas.fieldDefs().size(), 3u);
    EXPECT_EQ(velhas.fieldDefs()[1].name, "NOME");
    novo.ds->setFiltered(false);
    novo.ds->setIndexFieldNames(QString());
    DataSet::PreparedRows devolvidas = novo.ds->adoptRows(std::move(velhas));
    EXPECT_EQ(devolvidas.rowCount(), 4);
    EXPECT_EQ(names(*novo.ds), (QStringList{"Ana", "Bia", "Caio"}));
    EXPECT_EQ(novo.ds->fieldByName("CODIGO")->asInteger(), 1);
    novo.clone.first();
    novo.clone.edit(); // the clone still shares them
    novo.clone.fieldByName("NOME")->setValue("Eva");
    novo.clone.post();
    EXPECT_EQ(novo.ds->fieldByName("NOME")->asString(), "Eva");

    // nothing prepared is an empty table without fields
    novo.ds->adoptRows({});
    EXPECT_EQ(novo.ds->fieldCount(), 0);
    EXPECT_EQ(novo.ds->recordCount(), 0);
    EXPECT_EQ(novo.model.rowCount(), 0);
    std::thread([v = std::move(devolvidas)]() mutable { v = {}; }).join(); // freed off this thread
}

// A posted, appended or deleted row is placed in an ordered, filtered view
// (and in a clone's) exactly where resorting everything would put it: keys
// first, equal keys in the order the rows were stored.
TEST(DataSetOrder, EachChangeLandsWhereAFullResortPutsIt)
{
    auto ds = table({});
    ds->setIndexFieldNames("VALOR;NOME");
    ds->setFilter("VALOR >= '3'");
    ds->setFiltered(true);
    DataSet clone;
    clone.cloneCursor(*ds, true);
    DataSet porCodigo;
    porCodigo.cloneCursor(*ds);
    porCodigo.setIndexFieldNames("CODIGO");

    std::mt19937 rnd(11);
    const auto ordem = [](DataSet &d) {
        QStringList out;
        for (int i = 0; i < d.recordCount(); ++i)
            out << d.valueAt(i, 0).toString();
        return out;
    };
    const auto confere = [&](int passo) {
        for (DataSet *d : {ds.get(), &clone, &porCodigo}) {
            DataSet fresco; // built from the stored rows in one sort
            fresco.cloneCursor(*d, true);
            ASSERT_EQ(ordem(*d), ordem(fresco)) << "step " << passo;
        }
    };
    int codigo = 0;
    const auto qualquer = [&](DataSet &d) {
        if (d.recordCount() > 0)
            d.setRecNo(1 + int(rnd() % unsigned(d.recordCount())));
    };
    const auto grava = [&](DataSet &d, bool novo, const QString &nome, double valor) {
        if (novo)
            d.fieldByName("CODIGO")->setAsInteger(++codigo);
        d.fieldByName("NOME")->setAsString(nome);
        d.fieldByName("VALOR")->setAsFloat(valor);
        d.post();
    };
    for (int passo = 0; passo < 400; ++passo) {
        const int op = int(rnd() % 5);
        const QString nome = QStringLiteral("N%1").arg(rnd() % 4);
        const double valor = double(rnd() % 8);
        if (op == 0 || ds->recordCount() == 0) {
            ds->append();
            grava(*ds, true, nome, valor);
        } else if (op == 1) {
            qualquer(*ds);
            ds->insert();
            grava(*ds, true, nome, valor);
        } else if (op == 2) {
            qualquer(*ds);
            ds->edit();
            grava(*ds, false, ds->fieldByName("NOME")->asString(), valor);
        } else if (op == 3) {
            // through the clone that sees every row in another order
            qualquer(porCodigo);
            porCodigo.edit();
            grava(porCodigo, false, nome, valor);
        } else {
            qualquer(*ds);
            ds->deleteRecord();
        }
        confere(passo);
        if (::testing::Test::HasFatalFailure())
            return;
    }
    ds->appendRow({++codigo, "N0", 5.0});
    confere(-1);
    EXPECT_GT(ds->recordCount(), 10);
}
