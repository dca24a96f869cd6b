#include "journal/plant/PlantSchema.h"

#include "journal/plant/PlantConnection.h"

#include <QSqlError>
#include <QSqlQuery>

namespace tlv::plant {

namespace {

// Every statement can run again: init is how a plant is upgraded and repaired.
const char *const Roles = R"sql(
DO $$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'tolvane_recorder') THEN
        CREATE ROLE tolvane_recorder NOLOGIN;
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'tolvane_reader') THEN
        CREATE ROLE tolvane_reader NOLOGIN;
    END IF;
END
$$)sql";

const char *const Tables[] = {
    "CREATE SCHEMA IF NOT EXISTS tolvane",
    "CREATE TABLE IF NOT EXISTS tolvane.meta (key text PRIMARY KEY, value text NOT NULL)",
    R"sql(CREATE TABLE IF NOT EXISTS tolvane.sources (
        id integer GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
        name text NOT NULL UNIQUE,
        created timestamptz NOT NULL DEFAULT now()))sql",
    // The newest row sequence the source ever sent: a row at or below it is never taken
    // again, also after its day was pruned.
    "ALTER TABLE tolvane.sources ADD COLUMN IF NOT EXISTS held bigint NOT NULL DEFAULT 0",
    R"sql(CREATE TABLE IF NOT EXISTS tolvane.buffers (
        source_id integer NOT NULL REFERENCES tolvane.sources (id) ON DELETE CASCADE,
        buffer_id bigint NOT NULL,
        title text NOT NULL,
        header_key text NOT NULL,
        header_version integer NOT NULL,
        PRIMARY KEY (source_id, buffer_id)))sql",
    R"sql(CREATE TABLE IF NOT EXISTS tolvane.columns (
        source_id integer NOT NULL,
        buffer_id bigint NOT NULL,
        position integer NOT NULL,
        number integer NOT NULL,
        title text NOT NULL,
        width integer NOT NULL,
        data_type smallint NOT NULL,
        format text NOT NULL,
        PRIMARY KEY (source_id, buffer_id, position),
        FOREIGN KEY (source_id, buffer_id) REFERENCES tolvane.buffers ON DELETE CASCADE))sql",
    // One partition per UTC day, made when the first row of that day comes; prune drops
    // whole days.
    R"sql(CREATE TABLE IF NOT EXISTS tolvane.rows (
        source_id integer NOT NULL,
        seq bigint NOT NULL,
        time timestamptz NOT NULL,
        buffer_id bigint NOT NULL,
        kind text NOT NULL CHECK (kind IN ('record', 'status', 'miss', 'restart')),
        record_number bigint NOT NULL,
        status text NOT NULL,
        pc_date text NOT NULL,
        pc_time text NOT NULL,
        texts text[] NOT NULL,
        numbers double precision[] NOT NULL,
        raw_values bigint[] NOT NULL,
        raw text NOT NULL,
        comment text NOT NULL,
        received timestamptz NOT NULL DEFAULT now(),
        PRIMARY KEY (source_id, seq, time)
    ) PARTITION BY RANGE (time))sql",
    "CREATE INDEX IF NOT EXISTS rows_source_time ON tolvane.rows (source_id, time)",
    // A cursor kept with a view finds its record by number.
    "CREATE INDEX IF NOT EXISTS rows_source_record ON tolvane.rows (source_id, record_number)",
    // Up to version 1 a summary was one row per block and data column; a full view read
    // thousands of them. Those are made again from the rows (init's last statement).
    R"sql(DO $$
BEGIN
    IF EXISTS (SELECT FROM information_schema.columns WHERE table_schema = 'tolvane'
            AND table_name = 'summaries' AND column_name = 'position') THEN
        DROP TABLE tolvane.summaries;
    END IF;
END
$$)sql",
    // Per block of level consecutive sequence numbers, what the graph draws a long history
    // from (docs/plant.md): low and high hold per data column (position + 1) its lowest and
    // highest number. put_rows adds the blocks it completes.
    R"sql(CREATE TABLE IF NOT EXISTS tolvane.summaries (
        source_id integer NOT NULL REFERENCES tolvane.sources (id) ON DELETE CASCADE,
        level integer NOT NULL,
        block bigint NOT NULL,
        first_seq bigint NOT NULL,
        last_seq bigint NOT NULL,
        first_ms bigint,
        last_ms bigint,
        gaps integer NOT NULL,
        low double precision[] NOT NULL,
        high double precision[] NOT NULL,
        PRIMARY KEY (source_id, level, block)))sql",
};

const char *const Interface[] = {
    R"sql(CREATE OR REPLACE VIEW tolvane.records AS
        SELECT r.time, s.name AS source, r.seq, r.record_number, r.kind, r.status
        FROM tolvane.rows r JOIN tolvane.sources s ON s.id = r.source_id)sql",
    R"sql(CREATE OR REPLACE VIEW tolvane.samples AS
        SELECT r.time, s.name AS source, c.title AS signal, r.numbers[c.position + 1] AS value,
               r.texts[c.position + 1] AS text
        FROM tolvane.rows r
        JOIN tolvane.sources s ON s.id = r.source_id
        JOIN tolvane.columns c ON c.source_id = r.source_id AND c.buffer_id = r.buffer_id
        WHERE r.kind = 'record')sql",

    // A recorder claims its source for as long as its session lives; the answer says how
    // far the server holds the source's rows, so forwarding resumes there.
    R"sql(CREATE OR REPLACE FUNCTION tolvane.claim_source(p_name text, OUT claimed boolean,
            OUT held bigint)
        LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$
        DECLARE
            v_id integer;
        BEGIN
            IF coalesce(p_name, '') = '' THEN
                RAISE EXCEPTION 'a source needs a name';
            END IF;
            INSERT INTO tolvane.sources (name) VALUES (p_name) ON CONFLICT (name) DO NOTHING;
            SELECT id INTO v_id FROM tolvane.sources WHERE name = p_name;
            claimed := pg_try_advisory_lock(%LOCK%, v_id);
            held := 0;
            IF claimed THEN
                SELECT s.held INTO held FROM tolvane.sources s WHERE s.id = v_id;
            END IF;
        END
        $f$)sql",

    // The partition of the UTC day that holds p_time, made when missing.
    R"sql(CREATE OR REPLACE FUNCTION tolvane.add_partition(p_time timestamptz) RETURNS boolean
        LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$
        DECLARE
            v_day date := (p_time AT TIME ZONE 'UTC')::date;
            v_name text := 'rows_' || to_char(v_day, 'YYYYMMDD');
        BEGIN
            IF to_regclass('tolvane.' || v_name) IS NOT NULL THEN
                RETURN false;
            END IF;
            -- Two recorders may come with the first row of a day at once.
            PERFORM pg_advisory_xact_lock(%LOCK%, 0);
            BEGIN
                EXECUTE format('CREATE TABLE tolvane.%I PARTITION OF tolvane.rows '
                               'FOR VALUES FROM (%L) TO (%L)', v_name,
                               v_day::timestamp AT TIME ZONE 'UTC',
                               (v_day + 1)::timestamp AT TIME ZONE 'UTC');
            EXCEPTION WHEN duplicate_table OR unique_violation THEN
                RETURN false;
            END;
            RETURN true;
        END
        $f$)sql",

    // The blocks of a source that end at or before sequence number p_upto and are not
    // summed up yet: the smallest from the rows, each larger one from the one below. A
    // block's arrays reach as far as its longest row; rows without numbers count for its
    // first and last row, time and gaps, and a block of only those is left out.
    R"sql(CREATE OR REPLACE FUNCTION tolvane.summarise(p_id integer, p_upto bigint) RETURNS void
        LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$
        DECLARE
            v_level integer;
            v_below integer := 0;
            v_factor integer;
            v_next bigint;
            v_complete bigint;
        BEGIN
            FOREACH v_level IN ARRAY ARRAY[16, 64, 256, 1024, 4096] LOOP
                SELECT coalesce(max(s.block) + 1, 0) INTO v_next FROM tolvane.summaries s
                    WHERE s.source_id = p_id AND s.level = v_level;
                v_complete := p_upto / v_level;
                v_factor := v_level / greatest(v_below, 1);
                IF v_next < v_complete THEN
                    INSERT INTO tolvane.summaries (source_id, level, block, first_seq, last_seq,
                            first_ms, last_ms, gaps, low, high)
                        SELECT p_id, v_level, c.block, min(c.first_seq), max(c.last_seq),
                            min(c.first_ms), max(c.last_ms), bit_or(c.gaps),
                            array_agg(c.low ORDER BY c.ord) FILTER (WHERE c.ord IS NOT NULL),
                            array_agg(c.high ORDER BY c.ord) FILTER (WHERE c.ord IS NOT NULL)
                        FROM (SELECT p.block, u.ord, min(p.first_seq) AS first_seq,
                                max(p.last_seq) AS last_seq, min(p.first_ms) AS first_ms,
                                max(p.last_ms) AS last_ms, bit_or(p.gaps) AS gaps,
                                min(u.lo) AS low, max(u.hi) AS high
                            FROM (SELECT (r.seq - 1) / v_level AS block, r.seq AS first_seq,
                                    r.seq AS last_seq,
                                    (extract(epoch FROM r.time) * 1000)::bigint AS first_ms,
                                    (extract(epoch FROM r.time) * 1000)::bigint AS last_ms,
                                    CASE r.kind WHEN 'status' THEN 1 WHEN 'miss' THEN 2
                                        WHEN 'restart' THEN 4 ELSE 0 END AS gaps,
                                    r.numbers AS low, r.numbers AS high
                                FROM tolvane.rows r
                                WHERE v_below = 0 AND r.source_id = p_id AND r.seq
                                    BETWEEN v_next * v_level + 1 AND v_complete * v_level
                                UNION ALL
                                SELECT s.block / v_factor, s.first_seq, s.last_seq, s.first_ms,
                                    s.last_ms, s.gaps, s.low, s.high
                                FROM tolvane.summaries s
                                WHERE v_below > 0 AND s.source_id = p_id AND s.level = v_below
                                    AND s.block BETWEEN v_next * v_factor
                                        AND v_complete * v_factor - 1) p
                            LEFT JOIN LATERAL unnest(p.low, p.high) WITH ORDINALITY
                                AS u (lo, hi, ord) ON true
                            GROUP BY 1, 2) c
                        GROUP BY c.block
                        HAVING count(c.ord) > 0
                        ON CONFLICT DO NOTHING;
                END IF;
                v_below := v_level;
            END LOOP;
        END
        $f$)sql",

    // One batch of a source's rows with the buffers they need, as JSON; a row the server
    // holds already is passed over, so a resend is harmless. Only the session that claimed
    // the source writes it.
    R"sql(CREATE OR REPLACE FUNCTION tolvane.put_rows(p_source text, p_batch jsonb)
        RETURNS bigint
        LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $f$
        DECLARE
            v_id integer;
            v_held bigint;
            v_count bigint;
        BEGIN
            SELECT id, held INTO v_id, v_held FROM tolvane.sources WHERE name = p_source;
            IF v_id IS NULL OR NOT EXISTS (SELECT FROM pg_locks WHERE locktype = 'advisory'
                    AND classid = %LOCK% AND objid = v_id AND objsubid = 2
                    AND pid = pg_backend_pid() AND granted) THEN
                RAISE EXCEPTION 'the source "%" is not claimed by this session', p_source;
            END IF;
            INSERT INTO tolvane.buffers (source_id, buffer_id, title, header_key, header_version)
                SELECT v_id, b.id, b.title, b.header_key, b.header_version
                FROM jsonb_to_recordset(coalesce(p_batch -> 'buffers', '[]')) AS b (id bigint,
                    title text, header_key text, header_version integer)
                ON CONFLICT DO NOTHING;
            INSERT INTO tolvane.columns (source_id, buffer_id, position, number, title, width,
                    data_type, format)
                SELECT v_id, b.id, c.position, c.number, c.title, c.width, c.data_type, c.format
                FROM jsonb_to_recordset(coalesce(p_batch -> 'buffers', '[]'))
                    AS b (id bigint, columns jsonb),
                    jsonb_to_recordset(b.columns) AS c (position integer, number integer,
                        title text, width integer, data_type smallint, format text)
                ON CONFLICT DO NOTHING;
            INSERT INTO tolvane.rows (source_id, seq, time, buffer_id, kind, record_number,
                    status, pc_date, pc_time, texts, numbers, raw_values, raw, comment)
                SELECT v_id, r.seq, timestamptz 'epoch' + r.ms * interval '1 millisecond',
                    r.buffer_id, r.kind, r.record_number, r.status, r.pc_date, r.pc_time,
                    coalesce(r.texts, '{}'), coalesce(r.numbers, '{}'),
                    coalesce(r.raw_values, '{}'), r.raw, r.comment
                FROM jsonb_to_recordset(coalesce(p_batch -> 'rows', '[]')) AS r (seq bigint,
                    ms bigint, buffer_id bigint, kind text, record_number bigint, status text,
                    pc_date text, pc_time text, texts text[], numbers double precision[],
                    raw_values bigint[], raw text, comment text)
                WHERE r.seq > v_held
                ON CONFLICT DO NOTHING;
            GET DIAGNOSTICS v_count = ROW_COUNT;
            UPDATE tolvane.sources SET held = greatest(held, (SELECT max(r.seq)
                FROM jsonb_to_recordset(coalesce(p_batch -> 'rows', '[]')) AS r (seq bigint)))
                WHERE id = v_id;
            PERFORM tolvane.summarise(v_id, (SELECT held FROM tolvane.sources WHERE id = v_id));
            PERFORM pg_notify('tolvane_rows', p_source);
            RETURN v_count;
        END
        $f$)sql",

    "REVOKE ALL ON SCHEMA tolvane FROM PUBLIC",
    "GRANT USAGE ON SCHEMA tolvane TO tolvane_recorder, tolvane_reader",
    "REVOKE ALL ON ALL TABLES IN SCHEMA tolvane FROM PUBLIC",
    "GRANT SELECT ON tolvane.records, tolvane.samples, tolvane.meta, tolvane.sources, "
    "tolvane.buffers, tolvane.columns, tolvane.rows, tolvane.summaries TO tolvane_recorder, "
    "tolvane_reader",
    "REVOKE ALL ON FUNCTION tolvane.summarise(integer, bigint) FROM PUBLIC",
    "REVOKE ALL ON FUNCTION tolvane.claim_source(text), tolvane.add_partition(timestamptz), "
    "tolvane.put_rows(text, jsonb) FROM PUBLIC",
    "GRANT EXECUTE ON FUNCTION tolvane.claim_source(text), tolvane.add_partition(timestamptz), "
    "tolvane.put_rows(text, jsonb) TO tolvane_recorder",
    // Whatever is not summed up yet, as after an upgrade; nothing to do otherwise.
    "SELECT tolvane.summarise(id, held) FROM tolvane.sources",
};

QString statement(const char *sql)
{
    return QString::fromLatin1(sql).replace(
        QLatin1String("%LOCK%"), QString::number(PlantSchema::LockClass));
}

} // namespace

bool PlantSchema::fail(PlantConnection &connection, const QString &why)
{
    m_error = why;
    connection.db().rollback();
    return false;
}

int PlantSchema::version(PlantConnection &connection)
{
    QSqlQuery q(connection.db());
    if (!q.exec(QStringLiteral("SELECT to_regclass('tolvane.meta') IS NOT NULL")) || !q.next()) {
        m_error = PlantConnection::describe(q.lastError());
        return -1;
    }
    if (!q.value(0).toBool())
        return 0;
    q.finish();
    if (!q.exec(QStringLiteral("SELECT value FROM tolvane.meta WHERE key = 'schema_version'"))) {
        m_error = PlantConnection::describe(q.lastError());
        return -1;
    }
    return q.next() ? q.value(0).toInt() : 0;
}

bool PlantSchema::init(PlantConnection &connection)
{
    m_error.clear();
    m_done.clear();
    QSqlDatabase &db = connection.db();
    if (!db.transaction()) {
        m_error = PlantConnection::describe(db.lastError());
        return false;
    }
    // Two inits at once take turns.
    if (!connection.exec(QStringLiteral("SELECT pg_advisory_xact_lock(%1, -1)").arg(LockClass)))
        return fail(connection, connection.errorString());
    const int held = version(connection);
    if (held < 0)
        return fail(connection, m_error);
    if (held > Version)
        return fail(connection,
            QStringLiteral("The plant database holds schema version %1; this tolvane-cli knows "
                           "version %2 and leaves it as it is.")
                .arg(held)
                .arg(Version));
    if (!connection.exec(QString::fromLatin1(Roles)))
        return fail(connection,
            QStringLiteral("The roles tolvane_recorder and tolvane_reader cannot be made: ")
                + connection.errorString());
    for (const char *sql : Tables) {
        if (!connection.exec(statement(sql)))
            return fail(connection, connection.errorString());
    }
    for (const char *sql : Interface) {
        if (!connection.exec(statement(sql)))
            return fail(connection, connection.errorString());
    }
    QSqlQuery meta(db);
    meta.prepare(QStringLiteral("INSERT INTO tolvane.meta (key, value) VALUES (?, ?) "
                                "ON CONFLICT (key) DO UPDATE SET value = excluded.value"));
    meta.addBindValue(QStringLiteral("schema_version"));
    meta.addBindValue(QString::number(Version));
    if (!connection.exec(meta, QStringLiteral("version")))
        return fail(connection, connection.errorString());
    if (!db.commit())
        return fail(connection, PlantConnection::describe(db.lastError()));
    m_done = held == 0 ? QStringLiteral("created schema version %1").arg(Version)
        : held < Version
        ? QStringLiteral("upgraded from schema version %1 to %2").arg(held).arg(Version)
        : QStringLiteral("schema version %1 is in place").arg(Version);
    return true;
}

} // namespace tlv::plant
