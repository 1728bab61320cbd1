#pragma once
// The main window's class and its controls' identifiers, by the names the program
// and its operators know them by. Outside programs find the window through these
// (the installer closes it by its class, the tests read its controls).

namespace quimbo::win {

inline constexpr const wchar_t* kClasseFinestra = L"QuimboFinestra";

enum IdControllo : int {
  IdLabManda = 100,
  IdTxtManda,
  IdLabRit,
  IdTxtRit,
  IdTxtProva,
  IdComTest,
  IdLabConfBase,
  IdTxtConfBase,
  IdCheAggConf,
  IdCmdSblocca,
  IdLabel1,
  IdTxtTipo,
  IdCommand1,
  IdTxtMsg,
  IdLabStato,
};

struct NomeControllo {
  const wchar_t* nome;
  int id;
};

inline constexpr NomeControllo kNomiControlli[] = {
    {L"LabManda", IdLabManda},       {L"TxtManda", IdTxtManda},       {L"LabRit", IdLabRit},
    {L"TxtRit", IdTxtRit},           {L"txtProva", IdTxtProva},       {L"comTest", IdComTest},
    {L"LabConfBase", IdLabConfBase}, {L"txtConfBase", IdTxtConfBase}, {L"CheAggConf", IdCheAggConf},
    {L"CmdSblocca", IdCmdSblocca},   {L"Label1", IdLabel1},           {L"txtTipo", IdTxtTipo},
    {L"Command1", IdCommand1},       {L"TxtMsg", IdTxtMsg},           {L"LabStato", IdLabStato},
};

}  // namespace quimbo::win
