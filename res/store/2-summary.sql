-- Account version 2: the conversation summary. One row per conversation (newest date, count,
-- greatest name and number, first name), read through view_summary, which gives exact values
-- also for rows marked stale. Read as 1-search-index.sql says.
--
-- No constraint that could fail (NOT NULL, a plain insert into a unique index): SQLite then
-- keeps a statement journal for every message stored, which took three times as long as
-- storing.
CREATE TABLE sms_summary (suffix TEXT, last_date NUMERIC, message_count INTEGER, person TEXT,
    address TEXT, first_person_id INTEGER, first_person TEXT, stale INTEGER DEFAULT 0);

CREATE UNIQUE INDEX sms_summary_suffix ON sms_summary(suffix);

INSERT INTO sms_summary(suffix, last_date, message_count, person, address, first_person_id)
    SELECT suffix, max(date), count(*), max(person), max(address),
        min(CASE WHEN person <> '' THEN sms_id END)
    FROM sms GROUP BY +suffix;

UPDATE sms_summary SET first_person = (SELECT person FROM sms WHERE sms_id = first_person_id)
    WHERE first_person_id IS NOT NULL;

-- Lets an open see in a few pages whether any row is stale.
CREATE INDEX sms_summary_stale ON sms_summary(suffix) WHERE stale <> 0;

-- Stale rows are computed from their messages, as the contacts view computes its names.
CREATE VIEW view_summary AS
    SELECT suffix, last_date, message_count, person, address, first_person FROM sms_summary
        WHERE stale = 0
    UNION ALL
    SELECT c.suffix, (SELECT max(date) FROM sms WHERE suffix IS c.suffix), c.message_count,
        (SELECT max(person) FROM sms WHERE suffix IS c.suffix),
        (SELECT max(address) FROM sms WHERE suffix IS c.suffix),
        (SELECT person FROM sms WHERE suffix = c.suffix AND person IS NOT NULL AND person <> ''
            LIMIT 0, 1)
    FROM sms_summary AS c WHERE c.stale <> 0;

-- A message of a conversation with a key (the usual case): one upsert on the unique key, the
-- row's values merged with the message's as max() and the first name would have them (max
-- ignores NULL; the first name is the one of the lowest row id).
CREATE TRIGGER sms_summary_insert AFTER INSERT ON sms WHEN new.suffix IS NOT NULL BEGIN
    INSERT INTO sms_summary(suffix, last_date, message_count, person, address, first_person_id,
        first_person)
        VALUES (new.suffix, new.date, 1, new.person, new.address, CASE WHEN new.person <> '' THEN
            new.sms_id END, CASE WHEN new.person <> '' THEN new.person END)
        ON CONFLICT(suffix)
        DO UPDATE SET message_count = message_count + 1,
            last_date = CASE WHEN excluded.last_date IS NOT NULL AND (last_date IS NULL OR
                excluded.last_date > last_date) THEN excluded.last_date ELSE last_date END,
            person = CASE WHEN excluded.person IS NOT NULL AND (person IS NULL OR excluded.person >
                person) THEN excluded.person ELSE person END,
            address = CASE WHEN excluded.address IS NOT NULL AND (address IS NULL OR
                excluded.address > address) THEN excluded.address ELSE address END,
            first_person = CASE WHEN excluded.first_person_id IS NOT NULL AND (first_person_id IS
                NULL OR excluded.first_person_id < first_person_id) THEN excluded.first_person ELSE
                first_person END,
            first_person_id = CASE WHEN excluded.first_person_id IS NOT NULL AND (first_person_id IS
                NULL OR excluded.first_person_id < first_person_id) THEN excluded.first_person_id
                ELSE first_person_id END;
END;

-- NULL keys never conflict, so the one row of messages without any key is found with IS.
-- ("OR IGNORE": an insert that may fail would need a statement journal, see above.)
CREATE TRIGGER sms_summary_insert_unkeyed AFTER INSERT ON sms WHEN new.suffix IS NULL BEGIN
    INSERT OR IGNORE INTO sms_summary(suffix, message_count)
        SELECT NULL, 0
        WHERE NOT EXISTS (SELECT 1 FROM sms_summary WHERE suffix IS NULL);
    UPDATE sms_summary
        SET message_count = message_count + 1,
            last_date = CASE WHEN new.date IS NOT NULL AND (last_date IS NULL OR new.date >
                last_date) THEN new.date ELSE last_date END,
            person = CASE WHEN new.person IS NOT NULL AND (person IS NULL OR new.person > person)
                THEN new.person ELSE person END,
            address = CASE WHEN new.address IS NOT NULL AND (address IS NULL OR new.address >
                address) THEN new.address ELSE address END,
            first_person = CASE WHEN CASE WHEN new.person <> '' THEN new.sms_id END IS NOT NULL AND
                (first_person_id IS NULL OR CASE WHEN new.person <> '' THEN new.sms_id END <
                first_person_id) THEN CASE WHEN new.person <> '' THEN new.person END ELSE
                first_person END,
            first_person_id = CASE WHEN CASE WHEN new.person <> '' THEN new.sms_id END IS NOT NULL
                AND (first_person_id IS NULL OR CASE WHEN new.person <> '' THEN new.sms_id END <
                first_person_id) THEN CASE WHEN new.person <> '' THEN new.sms_id END ELSE
                first_person_id END
        WHERE suffix IS NULL;
END;

-- One message fewer. The row goes with its last message; when the message held one of the
-- row's values, the row is marked stale rather than recomputed here (recomputing on every
-- deleted message would make deleting a conversation cost the square of its length).
CREATE TRIGGER sms_summary_delete AFTER DELETE ON sms BEGIN
    DELETE FROM sms_summary
        WHERE suffix IS old.suffix AND message_count <= 1;
    UPDATE sms_summary
        SET message_count = message_count - 1,
            stale = stale OR old.date IS last_date OR old.person IS person OR old.address IS address
                OR old.sms_id IS first_person_id
        WHERE suffix IS old.suffix;
END;

CREATE TRIGGER sms_summary_update AFTER UPDATE OF sms_id, address, person, date, suffix ON sms BEGIN
    DELETE FROM sms_summary
        WHERE suffix IS old.suffix AND message_count <= 1;
    UPDATE sms_summary
        SET message_count = message_count - 1,
            stale = stale OR old.date IS last_date OR old.person IS person OR old.address IS address
                OR old.sms_id IS first_person_id
        WHERE suffix IS old.suffix;
    INSERT INTO sms_summary(suffix, last_date, message_count, person, address, first_person_id,
        first_person)
        SELECT new.suffix, new.date, 1, new.person, new.address, CASE WHEN new.person <> '' THEN
            new.sms_id END, CASE WHEN new.person <> '' THEN new.person END
        WHERE new.suffix IS NOT NULL
        ON CONFLICT(suffix)
        DO UPDATE SET message_count = message_count + 1,
            last_date = CASE WHEN excluded.last_date IS NOT NULL AND (last_date IS NULL OR
                excluded.last_date > last_date) THEN excluded.last_date ELSE last_date END,
            person = CASE WHEN excluded.person IS NOT NULL AND (person IS NULL OR excluded.person >
                person) THEN excluded.person ELSE person END,
            address = CASE WHEN excluded.address IS NOT NULL AND (address IS NULL OR
                excluded.address > address) THEN excluded.address ELSE address END,
            first_person = CASE WHEN excluded.first_person_id IS NOT NULL AND (first_person_id IS
                NULL OR excluded.first_person_id < first_person_id) THEN excluded.first_person ELSE
                first_person END,
            first_person_id = CASE WHEN excluded.first_person_id IS NOT NULL AND (first_person_id IS
                NULL OR excluded.first_person_id < first_person_id) THEN excluded.first_person_id
                ELSE first_person_id END;
    INSERT OR IGNORE INTO sms_summary(suffix, message_count)
        SELECT NULL, 0
        WHERE new.suffix IS NULL AND NOT EXISTS (SELECT 1 FROM sms_summary WHERE suffix IS NULL);
    UPDATE sms_summary
        SET message_count = message_count + 1,
            last_date = CASE WHEN new.date IS NOT NULL AND (last_date IS NULL OR new.date >
                last_date) THEN new.date ELSE last_date END,
            person = CASE WHEN new.person IS NOT NULL AND (person IS NULL OR new.person > person)
                THEN new.person ELSE person END,
            address = CASE WHEN new.address IS NOT NULL AND (address IS NULL OR new.address >
                address) THEN new.address ELSE address END,
            first_person = CASE WHEN CASE WHEN new.person <> '' THEN new.sms_id END IS NOT NULL AND
                (first_person_id IS NULL OR CASE WHEN new.person <> '' THEN new.sms_id END <
                first_person_id) THEN CASE WHEN new.person <> '' THEN new.person END ELSE
                first_person END,
            first_person_id = CASE WHEN CASE WHEN new.person <> '' THEN new.sms_id END IS NOT NULL
                AND (first_person_id IS NULL OR CASE WHEN new.person <> '' THEN new.sms_id END <
                first_person_id) THEN CASE WHEN new.person <> '' THEN new.sms_id END ELSE
                first_person_id END
        WHERE new.suffix IS NULL AND suffix IS NULL;
END;
