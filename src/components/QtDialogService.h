#pragma once

#include "platform/DialogService.h"

// Real message boxes, input boxes and file dialogs with pt-BR buttons.
// Calls from a worker thread are carried out in the GUI thread, the worker
// waiting for the answer.
class QtDialogService : public DialogService {
public:
    void showMessage(const QString &text) override;
    MsgResult messageBox(const QString &text, const QString &title, MsgButtons buttons, MsgIcon icon,
                         int defaultButton = 1) override;
    bool inputQuery(const QString &title, const QString &prompt, QString &value, bool password = false) override;
    QString openFileName(const QString &title, const QString &filter, const QString &dir = {}) override;
    QString saveFileName(const QString &title, const QString &filter, const QString &dir = {}) override;
};

// "Texto|*.txt|Todos|*.*" becomes "Texto (*.txt);;Todos (*.*)"; a filter
// without "|" is kept.
QString FiltroQt(const QString &filtro);
// Text of a button in the boxes.
QString TextoBotao(MsgResult botao);
