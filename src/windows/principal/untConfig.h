#pragma once

#include "components/untTelaSimples.h"
#include "windows/nucleo/InterfacesJanelas.h"

#include <vector>

class QLineEdit;
class QPushButton;

// The representative's settings: contact data, server, local login and the
// next order number, from the CONFIG row.
class TfmConfig : public TfmTelaSimples {
    Q_OBJECT
public:
    // servidores: the server clients that get the saved address.
    explicit TfmConfig(QWidget *dono = nullptr, std::vector<IServidorEndereco *> servidores = {});

    QLineEdit *EdtCnpjCpf, *EdtCodigo, *EdtServidor, *EdtPorta, *EdtEndereco, *EdtUsuario, *EdtSenha, *EdtEmail,
        *EdtFone, *EdtCelular, *EdtPedido, *EdtValidade, *EdtVlMinimo, *EdtVlMinimoPed, *EdtQtdeMaxItem;
    QPushButton *BtnGravar;

    void CarregaConfig();
    void GravaConfig();

protected:
    void FormShow() override;
    bool eventFilter(QObject *obj, QEvent *event) override;

private:
    void CriaControles();

    std::vector<IServidorEndereco *> m_servidores;
};

// Registers the window by class name; the clients are the program's.
void RegistraJanelaConfig(std::vector<IServidorEndereco *> servidores);
