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
//
// The SQL of each is in res/store, one file per account version; the account keeps its version
// in PRAGMA user_version. An older account is brought up to date one version after the other;
// one of this version is only checked (a few reads; a missing object is put back); one of a
// later build is left as it is. An account without a version (the template, or one of the
// builds before versions) keeps each part it has that is what this build makes, and gets the
// rest and its version.
enum AccountVersion
{
    AccountVersionSearchIndex = 1, // 1-search-index.sql
    AccountVersionSummary = 2,     // 2-summary.sql
    AccountVersionMMS = 3,         // 3-mms.sql
    AccountVersionNumbers = 4,     // 4-numbers.sql
    CurrentAccountVersion = AccountVersionNumbers,
};
// The account's version; 0 when it has none. Throws Sqlite3Exception.
int accountVersion(Sqlite3DB* db);
// True when every object the version's file creates is there (by name).
bool stepObjectsPresent(Sqlite3DB* db, int version);

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
// message (WriteTransaction::deferDerivedRows). True when the account is of this version and has
// no trigger but those its files create, so that addDerivedRows misses nothing.
bool derivedRowsAddable(Sqlite3DB* db);
// Adds every message after afterId to the search index, the summary and the numbers, as the
// insert triggers would have (res/store/add-rows.sql). Throws Sqlite3Exception.
void addDerivedRows(Sqlite3DB* db, qint64 afterId);
