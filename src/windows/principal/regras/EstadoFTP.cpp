#include "windows/principal/regras/EstadoFTP.h"

TEstadoFTP::TEstadoFTP(std::function<void()> encerra)
    : m_encerra(std::move(encerra))
{
}

void TEstadoFTP::Encerra()
{
    if (m_encerra)
        m_encerra();
    m_conectado = false;
}
