#pragma once

class CliSession;

// The sub-commands of tallowbrook-cli, one function each. Each returns the exit code, or
// throws UsageError or CommandFailure (see CliSession).

// The sub-command of the session's invocation.
int runCommand(CliSession& session);

// accounts, accounts create NAME, accounts delete NAME [--yes]
int runAccounts(CliSession& session);
// backup, restore [--conversation NUMBER], send --to NUMBER[,NUMBER...] TEXT
int runBackup(CliSession& session);
int runRestore(CliSession& session);
int runSend(CliSession& session);
// listen: until Ctrl+C
int runListen(CliSession& session);
// import FILE [--format own|other], export FILE [--conversation NUMBER]
int runImport(CliSession& session);
int runExport(CliSession& session);
// search WORD [--inbox|--sent]
int runSearch(CliSession& session);
