#pragma once

#include <QtGlobal>
#include <functional>

class Sqlite3DB;

// What an account file gets beyond the template when it is opened:
// - sms_fts, a full-text index of the message texts (SQLite FTS5, trigram tokenizer, external
//   content on sms), which finds the candidates of a keyword search, with sms_fts_pending, the
//   messages stored since it was last brought up to date (see indexPendingMessages);
// - mms, mms_part and mms_addr, the multimedia messages (MMSStore.h);
// - sms_summary, one row per conversation (newest date, count, greatest name and number, first
//   name), read through view_summary, which gives exact values also for rows marked stale;
// - sms_numbers, every distinct number with the count of its messages, in which a search looks
//   for the numbers that contain its keyword.
// Triggers on sms keep them in step with every insert, delete and update, so a build that knows
// nothing of them and writes plain SQL keeps them right too.

// Messages indexed so far and their total.
using UpgradeProgress = std::function<void(qint64 done, qint64 total)>;

// True when all are present and in step with the messages (a few checks that read a few dozen
// pages, not every message; nothing is written). Throws Sqlite3Exception only when
// the account itself cannot be read.
bool accountUpToDate(Sqlite3DB* db);

// What opening an account needs: nothing; upkeep only (messages waiting for the search index,
// summary rows to recompute: the account is usable as it is); or a rebuild of a missing or
// damaged part. Reads only.
enum UpgradeNeed
{
    UpgradeNone = 0,
    UpgradeUpkeep = 1,
    UpgradeRebuild = 2,
};
int upgradeNeeded(Sqlite3DB* db);

// Builds whatever is missing, damaged or out of step, inside the caller's transaction. When the
// calling thread is asked to stop, the statement running is interrupted and this throws.
// Throws Sqlite3Exception.
void upgradeAccount(Sqlite3DB* db, const UpgradeProgress& progress = UpgradeProgress());

// Adds the queued messages to the search index, in one statement (a storing job's commit does
// it). Harmless on an account without the index. Throws Sqlite3Exception.
void indexPendingMessages(Sqlite3DB* db);

// A storing job that inserts many messages may turn the triggers off for its transaction and
// add its messages to the derived tables at the end, in a few statements instead of several per
// message (WriteTransaction::deferDerivedRows). True when every trigger of the account is one
// addDerivedRows stands in for (or fires on deletes only), so nothing is missed.
bool derivedRowsAddable(Sqlite3DB* db);
// Adds every message after afterId to the search index, the summary and the numbers, as the
// insert triggers would have, for each part whose insert trigger the account has. Throws
// Sqlite3Exception.
void addDerivedRows(Sqlite3DB* db, qint64 afterId);
