-- Account version 3: the multimedia messages (MMSStore.h) and the subscription ids. These
-- tables hold what no other table has: a step adds the objects missing and never drops one.
-- Read as 1-search-index.sql says.
CREATE TABLE mms (sms_id INTEGER PRIMARY KEY, date INTEGER, msg_box INTEGER, addresses TEXT,
    body TEXT, attributes TEXT);
CREATE INDEX mms_date ON mms(date);
CREATE TABLE mms_part (part_id INTEGER PRIMARY KEY, sms_id INTEGER, seq TEXT, ct TEXT, name TEXT,
    chset TEXT, cd TEXT, fn TEXT, cid TEXT, cl TEXT, ctt_s TEXT, ctt_t TEXT, text TEXT, other
    TEXT, data BLOB);
CREATE INDEX mms_part_message ON mms_part(sms_id);
CREATE TABLE mms_addr (addr_id INTEGER PRIMARY KEY, sms_id INTEGER, address TEXT, type TEXT,
    charset TEXT, other TEXT);
CREATE INDEX mms_addr_message ON mms_addr(sms_id);

-- The subscription ids of messages from backup files, one row per run of consecutive row ids
-- with the same id (a whole import is usually one run). Row ids are never reused, so a deleted
-- message's run needs no upkeep.
CREATE TABLE sms_sub_ids (first_id INTEGER PRIMARY KEY, last_id INTEGER, sub_id);

-- A message deleted by any means takes its parts along.
CREATE TRIGGER mms_delete AFTER DELETE ON sms WHEN EXISTS (SELECT 1 FROM mms WHERE sms_id =
    old.sms_id) BEGIN
    DELETE FROM mms_part WHERE sms_id = old.sms_id;
    DELETE FROM mms_addr WHERE sms_id = old.sms_id;
    DELETE FROM mms WHERE sms_id = old.sms_id;
END;
