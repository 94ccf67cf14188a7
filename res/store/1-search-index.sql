-- Account version 1: the search index. A full-text index of the message texts (FTS5, trigram
-- tokenizer, external content on sms) that finds the candidates of a keyword search.
--
-- How these files are read (AccountUpgrade.cpp): a line break stands for one space, comments
-- are left out, so each object is stored with its text on one line (as earlier builds stored
-- it). CREATE statements are the step's objects; a statement with ?1 and ?2 runs once per chunk
-- of messages (?1 < sms_id <= ?2), with progress in between; others run once, in order.

-- detail=none keeps the index at about a quarter of the size of the full one: a search asks it
-- for messages holding every trigram of the keyword, and checks each candidate with LIKE.
CREATE VIRTUAL TABLE sms_fts USING fts5(body, content='sms', content_rowid='sms_id',
    tokenize='trigram', detail='none');

-- A new message is queued rather than indexed at once: FTS5 writes its pending entries out at
-- the start of every statement that runs in a transaction in which it was written and that has
-- triggers, which made each stored message cost a small index segment (four times the time of
-- storing without the index). indexPendingMessages adds the queue in one statement; a search
-- looks at the queued messages too.
CREATE TABLE sms_fts_pending (sms_id INTEGER PRIMARY KEY);

INSERT INTO sms_fts(rowid, body) SELECT sms_id, body FROM sms WHERE sms_id > ?1 AND sms_id <= ?2;

CREATE TRIGGER sms_fts_insert AFTER INSERT ON sms BEGIN
    INSERT OR IGNORE INTO sms_fts_pending(sms_id) VALUES (new.sms_id);
END;

-- A message leaves the index, or the queue when it was not indexed yet.
CREATE TRIGGER sms_fts_delete AFTER DELETE ON sms BEGIN
    INSERT INTO sms_fts(sms_fts, rowid, body) SELECT 'delete', old.sms_id, old.body
        WHERE NOT EXISTS (SELECT 1 FROM sms_fts_pending WHERE sms_id = old.sms_id);
    DELETE FROM sms_fts_pending WHERE sms_id = old.sms_id;
END;

CREATE TRIGGER sms_fts_update AFTER UPDATE OF sms_id, body ON sms BEGIN
    INSERT INTO sms_fts(sms_fts, rowid, body) SELECT 'delete', old.sms_id, old.body
        WHERE NOT EXISTS (SELECT 1 FROM sms_fts_pending WHERE sms_id = old.sms_id);
    DELETE FROM sms_fts_pending WHERE sms_id = old.sms_id;
    INSERT OR IGNORE INTO sms_fts_pending(sms_id) VALUES (new.sms_id);
END;
