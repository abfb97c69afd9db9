#pragma once

#include "platform/net/HttpClient.h"

#include <QProcess>
#include <QTemporaryFile>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

// The fake back office (tests/fake/fake_back_office.py), on its own port,
// for one test; killed when the test ends.
class FakeBackOffice {
public:
    explicit FakeBackOffice(const nlohmann::json &cenario = nlohmann::json::object(), int vidaSegundos = 40)
    {
        m_cenario.open();
        m_cenario.write(QByteArray::fromStdString(cenario.dump()));
        m_cenario.flush();
        m_proc.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral(XR_TEST_SOURCE_DIR "/tests/fake/fake_back_office.py"), m_cenario.fileName(),
                      QString::number(vidaSegundos)});
        if (m_proc.waitForStarted(5000) && m_proc.waitForReadyRead(10000))
            porta = m_proc.readLine().trimmed().toInt();
        if (porta == 0)
            ADD_FAILURE() << "fake back office did not start: " << m_proc.readAllStandardError().toStdString();
    }
    ~FakeBackOffice()
    {
        m_proc.kill();
        m_proc.waitForFinished(5000);
    }

    // A JSON page of the fake ("/__requests", "/__store").
    nlohmann::json get(const char *caminho) const
    {
        HttpRequest r;
        r.url = QStringLiteral("http://127.0.0.1:%1%2").arg(porta).arg(QLatin1String(caminho));
        r.timeoutMs = 5000;
        const auto resp = HttpClient().request(r);
        return nlohmann::json::parse(resp.body.toStdString());
    }
    nlohmann::json requisicoes() const { return get("/__requests"); }
    std::vector<nlohmann::json> de(const std::string &chave) const
    {
        std::vector<nlohmann::json> v;
        for (const auto &r : requisicoes())
            if (r["key"] == chave)
                v.push_back(r);
        return v;
    }
    nlohmann::json ultima(const std::string &chave) const
    {
        const auto v = de(chave);
        return v.empty() ? nlohmann::json() : v.back();
    }

    int porta = 0;

private:
    QTemporaryFile m_cenario;
    QProcess m_proc;
};

