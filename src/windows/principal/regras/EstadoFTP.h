#pragma once

#include <atomic>
#include <functional>

// What the main window may know of the update's FTP session. The update
// thread writes it while the main thread reads it to decide on closing,
// so every value is atomic.
class TEstadoFTP {
public:
    // encerra sends the quit command and disconnects; fixed at creation.
    explicit TEstadoFTP(std::function<void()> encerra = {});

    static constexpr int kTempoConexaoPadraoMs = 90000;

    void SetConectado(bool v) { m_conectado = v; }
    bool Conectado() const { return m_conectado; }
    void SetTempoConexaoMs(int ms) { m_tempoConexaoMs = ms; }
    int TempoConexaoMs() const { return m_tempoConexaoMs; }
    // The transfer-progress handlers are attached while a download runs.
    void SetProgressoLigado(bool v) { m_progresso = v; }
    bool ProgressoLigado() const { return m_progresso; }

    bool DownloadEmAndamento() const
    {
        return TempoConexaoMs() != kTempoConexaoPadraoMs || ProgressoLigado();
    }

    void Encerra();

private:
    const std::function<void()> m_encerra;
    std::atomic<bool> m_conectado{false};
    std::atomic<int> m_tempoConexaoMs{kTempoConexaoPadraoMs};
    std::atomic<bool> m_progresso{false};
};
