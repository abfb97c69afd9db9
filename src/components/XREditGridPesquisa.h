#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QStringList>
#include <QTableView>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class DataSetModel;
class TXRDatabase;
class TXRQuery;

// One kept field of the picked row, its value as text.
class TXREditGridPesquisaField {
public:
    explicit TXREditGridPesquisaField(const QString &campo = QString())
        : FCampo(campo)
    {
    }
    QString FCampo;
    QString FValor;

    QString AsString() const { return FValor; }
    void SetAsString(const QString &v) { FValor = v; }
    // 0 when the text is no integer.
    qint64 AsInteger() const;
    void SetAsInteger(qint64 v) { FValor = QString::number(v); }
    // 0 when the text is no number.
    double AsFloat() const;
    void SetAsFloat(double v);
    // Throws std::invalid_argument when the text is no date.
    QDate AsDate() const;
    void SetAsDate(const QDate &v);
};

// The caption bound to the edit.
class TXRBoundLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
};

// The drop-down list of search results.
class TXRDBGridPesquisa : public QTableView {
    Q_OBJECT
public:
    explicit TXRDBGridPesquisa(QWidget *parent = nullptr);
};

// A text edit that, after a 500 ms pause in typing, searches its query for
// the typed words and drops down the matching rows under itself; the picked
// row fills the edit and stays readable through FieldByName.
class TXRCustomEditGridPesquisa : public QLineEdit {
    Q_OBJECT
public:
    enum class TLabelPosition { Above, Below, Left, Right };
    static constexpr int PausaMs = 500;

    explicit TXRCustomEditGridPesquisa(QWidget *parent = nullptr);
    ~TXRCustomEditGridPesquisa() override;

    TXRDatabase *Database = nullptr;
    QString SQLCampoRetorno;
    QString SQLCampoPesquisa;
    int GridHeight = 200;
    int GridWidth = 0; // 0: as wide as the edit

    std::function<void(TXRCustomEditGridPesquisa *)> AfterPesquisa;
    std::function<void(TXRCustomEditGridPesquisa *)> BeforePesquisa;
    std::function<void(TXRCustomEditGridPesquisa *)> FechaPesquisa;
    std::function<void(TXRCustomEditGridPesquisa *)> BeforeEnterGrid;
    // Leaving the edit for a widget other than its drop-down.
    std::function<void(TXRCustomEditGridPesquisa *)> OnExit;

    QStringList SQLConsulta() const { return FSQLConsulta; }
    void SetSQLConsulta(const QStringList &linhas);
    // Fields of the result shown as columns, in order; empty shows them all.
    void SetGridColumns(const QStringList &campos, const QStringList &titulos = {});

    TXRBoundLabel *EditLabel() const { return FEditLabel; }
    TLabelPosition LabelPosition() const { return FLabelPosition; }
    void SetLabelPosition(TLabelPosition p);
    int LabelSpacing() const { return FLabelSpacing; }
    void SetLabelSpacing(int v);

    TXRDBGridPesquisa *GridConsulta() const { return FGridConsulta; }
    TXRQuery *Query() const { return FQuery; }
    // The pending search after the last key; tests may shorten it.
    QTimer &TimerPesquisa() { return m_pausa; }

    // The kept field of that name (any letter case); a new empty one is
    // appended when there is none.
    TXREditGridPesquisaField *FieldByName(const QString &sCampo);
    int FieldCount() const { return int(FArFields.size()); }
    bool IsEmpty() const;
    void Clear();
    void SetFieldFormat(const QString &sField, const QString &sDisplayFormat, const QString &sEditFormat);

    // The SQL lines that search campo for every word of texto ("-" parts
    // words); the first group joins with conector, the others with AND.
    static QStringList AdicionaCondicoes(const QString &texto, const QString &campo, const QString &conector);

    void MostraGrade();
    void ExecutaPesquisa();
    void ConcluiPesquisa();
    void PosicionaGrade();
    void PosicionaLabel();

protected:
    void keyPressEvent(QKeyEvent *e) override;
    void keyReleaseEvent(QKeyEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;
    void moveEvent(QMoveEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void showEvent(QShowEvent *e) override;
    void hideEvent(QHideEvent *e) override;
    void changeEvent(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The search of a key pause or of Down; a failure is shown, not thrown.
    bool PesquisaComAviso();
    // Double click or Enter on a row of the drop-down.
    void EscolheLinha();
    void FechaGrade();

    bool FFocoNoGrid = false;
    bool FFocoNoEdit = true;
    QPointer<TXRBoundLabel> FEditLabel;
    TLabelPosition FLabelPosition = TLabelPosition::Left;
    int FLabelSpacing = 3;
    QPointer<TXRDBGridPesquisa> FGridConsulta;
    TXRQuery *FQuery;
    DataSetModel *FDataSource;
    QStringList FSQLConsulta;
    std::vector<std::unique_ptr<TXREditGridPesquisaField>> FArFields;
    QTimer m_pausa;
};

class TXREditGridPesquisa : public TXRCustomEditGridPesquisa {
    Q_OBJECT
public:
    using TXRCustomEditGridPesquisa::TXRCustomEditGridPesquisa;
};
