#include "data/UntFuncoes.h"

#include "platform/Formats.h"

#include <QCryptographicHash>

#include <stdexcept>

QString QuotedStr(const QString& texto)
{
    QString r = texto;
    r.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + r + QLatin1Char('\'');
}

QString GeraMD5(const QString& texto)
{
    QByteArray bytes;
    bytes.reserve(texto.size());
    for (QChar c : texto)
        bytes.append(c.unicode() < 128 ? char(c.unicode()) : '?');
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex())
        .toUpper();
}

QString Aspas(const QString& texto)
{
    return QuotedStr(texto);
}

QString FloatParaSQL(double valor)
{
    // The pinned format is the same on every machine; only its comma changes.
    QString r = fmt::floatToStr(valor);
    const qsizetype virgula = r.indexOf(QLatin1Char(','));
    if (virgula >= 0)
        r[virgula] = QLatin1Char('.');
    return r;
}

QString SomenteNumeros(const QString& texto)
{
    static const QString kValidos = QStringLiteral("1234567890ISENTO");
    QString r;
    for (QChar c : texto)
        if (kValidos.contains(c))
            r += c;
    return r;
}

namespace {

int DigitoVerificador(const QString& base, const std::initializer_list<int>& pesos)
{
    int soma = 0;
    qsizetype i = 0;
    for (int peso : pesos)
        soma += (base[i++].unicode() - '0') * peso;
    const int resto = soma % 11;
    return resto < 2 ? 0 : 11 - resto;
}

// Tax numbers: n digits, the last two being check digits over the others.
bool ConfereDigitos(const QString& texto, qsizetype n, const std::initializer_list<int>& pesos1,
                    const std::initializer_list<int>& pesos2)
{
    const QString s = SomenteNumeros(texto).left(n);
    if (s.size() != n)
        return false;
    bool soZeros = true;
    for (QChar c : s) {
        if (c.unicode() < '0' || c.unicode() > '9')
            return false; // a letter of ISENTO
        soZeros = soZeros && c == QLatin1Char('0');
    }
    // All zeros passes the arithmetic; typed with a mask it must still fail.
    if (soZeros)
        return false;
    QString base = s.left(n - 2);
    base += QChar('0' + DigitoVerificador(base, pesos1));
    base += QChar('0' + DigitoVerificador(base, pesos2));
    return s == base;
}

bool EhAtomo(QChar c)
{
    const char16_t u = c.unicode();
    if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9'))
        return true;
    if (u >= 128 && u <= 255)
        return true;
    return u < 128 && QByteArrayView("!#$%&'*+-=?^_`{|}~").contains(char(u));
}

bool EhLetra(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}

bool EhDigito(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

bool TemLetra(const QString& s)
{
    for (QChar c : s)
        if (EhLetra(c))
            return true;
    return false;
}

} // namespace

bool ValidaCNPJ(const QString& texto)
{
    if (texto.isEmpty() || texto == QLatin1String("00000000000000") ||
        texto == QLatin1String("  .   .   /    -"))
        return false;
    return ConfereDigitos(texto, 14, {5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2},
                          {6, 5, 4, 3, 2, 9, 8, 7, 6, 5, 4, 3, 2});
}

bool ValidaCPF(const QString& texto)
{
    if (texto.isEmpty() || texto == QLatin1String("00000000000") ||
        texto == QLatin1String("   .   .   -  "))
        return false;
    return ConfereDigitos(texto, 11, {10, 9, 8, 7, 6, 5, 4, 3, 2},
                          {11, 10, 9, 8, 7, 6, 5, 4, 3, 2});
}

bool ValidaEmail(const QString& texto)
{
    int estado = 0;
    bool pontoNoDominio = false;
    for (QChar c : texto) {
        switch (estado) {
        case 0:
        case 5:
            if (EhAtomo(c))
                estado = 1;
            else if (c == QLatin1Char('"'))
                estado = 2;
            else
                return false;
            break;
        case 1:
            if (EhAtomo(c))
                estado = 1;
            else if (c == QLatin1Char('@'))
                estado = 6;
            else if (c == QLatin1Char('.'))
                estado = 5;
            else
                return false;
            break;
        case 2:
            if (c == QLatin1Char('\r') || c.unicode() > 255)
                return false;
            if (c == QLatin1Char('"'))
                estado = 4;
            else if (c == QLatin1Char('\\'))
                estado = 3;
            break;
        case 3:
            estado = 2;
            break;
        case 4:
            if (c == QLatin1Char('@'))
                estado = 6;
            else if (c == QLatin1Char('.'))
                estado = 5;
            else
                return false;
            break;
        case 6:
            if (!EhLetra(c))
                return false;
            estado = 7;
            break;
        case 7:
            if (EhLetra(c) || EhDigito(c))
                estado = 7;
            else if (c == QLatin1Char('-'))
                estado = 8;
            else if (c == QLatin1Char('.')) {
                estado = 6;
                pontoNoDominio = true;
            } else
                return false;
            break;
        case 8:
            if (c == QLatin1Char('-'))
                estado = 8;
            else if (EhLetra(c) || EhDigito(c))
                estado = 7;
            else
                return false;
            break;
        }
    }
    return texto.isEmpty() || (estado == 7 && pontoNoDominio);
}

void OrdenaTamanhos(QStringList& lista)
{
    QStringList nova;
    auto contem = [](const QStringList& l, const QString& s) {
        return l.contains(s, Qt::CaseInsensitive);
    };
    for (const char* t : {"BP", "BM", "BG"})
        if (contem(lista, QLatin1String(t)))
            nova.append(QLatin1String(t));
    for (qsizetype tamanho : {2, 3})
        for (const QString& s : lista)
            if (s.toUpper().startsWith(QLatin1Char('K')) && s.trimmed().size() == tamanho)
                nova.append(s.toUpper());
    for (bool curto : {true, false})
        for (const QString& s : lista)
            if (!TemLetra(s) && (s.trimmed().size() <= 1) == curto)
                nova.append(s);
    for (const char* t : {"PP", "P", "M", "G", "GG"})
        if (contem(lista, QLatin1String(t)))
            nova.append(QLatin1String(t));
    for (const QString& s : lista)
        if (!contem(nova, s))
            nova.append(s);
    lista = nova;
}

QString ZerosEsquerda(int valor, int largura)
{
    QString r = QString::number(valor);
    if (r.size() < largura)
        r.prepend(QString(largura - r.size(), QLatin1Char('0')));
    return r;
}

void ListaParaTexto(const QStringList& lista, QString& resultado)
{
    for (const QString& linha : lista)
        resultado += linha + QLatin1Char(' ');
}

void MontaInsert(const QString& tabela, const QStringList& campos, QString& resultado)
{
    QStringList linhas;
    linhas << "Insert into " + tabela + " (";
    for (qsizetype i = 0; i < campos.size(); ++i)
        linhas << (i + 1 < campos.size() ? QString(campos[i] + ",") : campos[i]);
    linhas << QStringLiteral(") values (");
    for (qsizetype i = 0; i < campos.size(); ++i)
        linhas << ":" + campos[i] + (i + 1 < campos.size() ? "," : ")");
    ListaParaTexto(linhas, resultado);
}

QString MontaFiltroLike(const QString& campos, const QString& valores)
{
    const QStringList c = campos.split(QLatin1Char(';'));
    const QStringList v = valores.split(QLatin1Char(';'));
    if (c.size() != v.size())
        throw std::invalid_argument("MontaFiltroLike: fields and values differ in number");
    QString r = QStringLiteral(" 1=1 ");
    for (qsizetype i = 0; i < c.size(); ++i)
        r += " and " + c[i] + " like " + v[i];
    return r;
}
