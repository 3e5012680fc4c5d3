#pragma once
// The work behind the main client window's commands: the table from command id to what the
// command does (the mode, snapshot, record, playback, sound, effect, bar and file commands).
// The client routes each command here once its enabler agrees (TClient::RunCommand).
namespace tess {

class TClient;

// Does command `cmd` on `client`. An effect command toggles its switch; an accepted command
// without work does nothing.
void RunClientCommandWork(TClient& client, int cmd);

} // namespace tess
