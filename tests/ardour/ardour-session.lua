-- Builds an Ardour session around one plug-in and exports it, for the test in this folder.
-- Run by ardour7-lua (Ardour's headless Lua session tool) from run-ardour-test.sh:
--
--   ardour7-lua ardour-session.lua SESSION_DIR PLUGIN_FILE EXPORT_FILE RATE TEMPO NUMERATOR
--                                  DENOMINATOR PROGRAM FRAMES PRESET_ID [lv2]
--
-- With "lv2" last, PLUGIN_FILE is the URI of an LV2 plug-in (found through LV2_PATH) and
-- PROGRAM the label of one of its presets.
-- The session has one stereo track whose first processor, "Constant Level Source"
-- (constant-level-source.lua), gives every sample the same value per channel; the plug-in
-- follows it. The track's panner is bypassed so that the master bus receives the plug-in's
-- output unchanged, and the master bus is exported from sample 0 as a float WAV file.
--
-- With the word "open-editor" in place of EXPORT_FILE (PRESET_ID is then ignored) nothing is
-- exported: the session is saved with the plug-in's editor window marked open, so that
-- Ardour's GUI shows the editor as soon as it loads the session (run-ardour-gui-test.sh).
-- With the word "transport" nothing is exported either: the session plays in real time on
-- the dummy backend while the script stops, starts, relocates and loops its transport, so
-- that a recording plug-in can write down what Ardour tells a plug-in meanwhile
-- (record-ardour-transport.sh). FRAMES is then the length of one bar in samples.
-- Every failure ends the tool with a non-zero exit status and a message on stderr.

local function fail (message)
	io.stderr:write ("ardour-session.lua: ", message, "\n")
	os.exit (2)
end

local function say (message)
	io.stdout:write (message, "\n")
	io.stdout:flush ()
end

if #arg ~= 10 and not (#arg == 11 and arg[11] == "lv2") then
	fail ("expected 10 arguments (or 11, the last \"lv2\"), got " .. #arg)
end
local lv2 = arg[11] == "lv2"

local session_dir   = arg[1]
local plugin_file   = arg[2]
local export_file   = arg[3]
local sample_rate   = math.tointeger (tonumber (arg[4]))
local tempo         = tonumber (arg[5])
local numerator     = math.tointeger (tonumber (arg[6]))
local denominator   = math.tointeger (tonumber (arg[7]))
local program       = lv2 and arg[8] or math.tointeger (tonumber (arg[8]))
local frames        = math.tointeger (tonumber (arg[9]))
local preset_id     = arg[10]

if not (sample_rate and tempo and numerator and denominator and program and frames) then
	fail ("rate, tempo, metre, program and frames must be numbers")
end

-- The dummy backend needs no sound card; Ardour accepts it by name although
-- available_backends() does not list it.
local backend = AudioEngine:set_backend ("None (Dummy)", "", "")
if not backend or AudioEngine:current_backend_name () ~= "Dummy" then
	fail ("the dummy audio backend is not available")
end
backend:set_buffer_size (1024)

local session = create_session (session_dir, "stepveil-test", sample_rate)
if not session then
	fail ("cannot create a session in " .. session_dir)
end
say (string.format ("session: %d Hz, %d frames per cycle", Session:nominal_sample_rate (),
	Session:get_block_size ()))

-- Tempo and metre from the start of the timeline, replacing the defaults.
local tempo_map = Temporal.TempoMap.write_copy ()
tempo_map:set_tempo (Temporal.Tempo (tempo, tempo, 4), Temporal.timepos_t (0))
tempo_map:set_meter (Temporal.Meter (numerator, denominator), Temporal.timepos_t (0))
Temporal.TempoMap.update (tempo_map)
say (string.format ("tempo map: %g bpm, %d/%d", tempo, numerator, denominator))

-- The plug-in is found by its file (an LV2 plug-in by its URI), whatever name it gives itself.
local plugin_type = lv2 and ARDOUR.PluginType.LV2 or ARDOUR.PluginType.LXVST
local plugin_id = nil
for info in ARDOUR.LuaAPI.list_plugins ():iter () do
	if info.type == plugin_type and (lv2 and info.unique_id or info.path) == plugin_file then
		plugin_id = info.unique_id
		say ("plug-in: " .. info.name .. " (id " .. info.unique_id .. ") from " .. info.path)
	end
end
if not plugin_id then
	fail ("Ardour does not know the plug-in " .. plugin_file .. " (was it scanned?)")
end

local tracks = Session:new_audio_track (2, 2, nil, 1, "Gate", ARDOUR.PresentationInfo.max_order,
	ARDOUR.TrackMode.Normal, false)
if tracks:size () ~= 1 then
	fail ("cannot add a stereo track")
end
local track = tracks:front ()

local source = ARDOUR.LuaAPI.new_luaproc (Session, "Constant Level Source")
if source:isnil () then
	fail ("the Lua generator 'Constant Level Source' was not found")
end
if track:add_processor_by_index (source, 0, nil, true) ~= 0 then
	fail ("cannot add the generator to the track")
end

local gate = ARDOUR.LuaAPI.new_plugin (Session, plugin_id, plugin_type, "")
if gate:isnil () then
	fail ("Ardour cannot instantiate the plug-in")
end
if track:add_processor_by_index (gate, 1, nil, true) ~= 0 then
	fail ("cannot add the plug-in to the track")
end
track:panner_shell ():set_bypassed (true)

-- Ardour offers a VST's programs as its factory presets; loading one sends effSetProgram. An
-- LV2 plug-in's presets are chosen by their label.
local plugin = gate:to_insert ():plugin (0)
local chosen = nil
for preset in plugin:get_info ():get_presets (false):iter () do
	local index = tonumber (string.match (preset.uri, "^VST:%-?%d+:(%d+)$"))
	if not preset.user and (lv2 and preset.label or index) == program then
		chosen = preset
	end
end
if not chosen then
	fail ("the plug-in offers no program " .. program)
end
if not plugin:load_preset (chosen) then
	fail ("cannot load program " .. program)
end
say (string.format ("program %s: %s (%s)", program, chosen.label, chosen.uri))

-- Ardour's GUI keeps its windows' state in the session file, inside <Extra><UI>; a plug-in's
-- window is named after its route and processor, and a visible one is opened with the session.
local function mark_editor_open (session_file, route_id, processor_id)
	local file = io.open (session_file, "r")
	if not file then
		fail ("cannot read the saved session " .. session_file)
	end
	local text = file:read ("a")
	file:close ()
	if string.find (text, "<Extra>", 1, true) then
		fail ("the saved session already has GUI state; this script expects none")
	end
	local window = string.format ('  <Extra>\n    <UI>\n      <Window name="P-%s-%s" visible="1" '
		.. 'x-off="0" y-off="0" custom-ui="yes"/>\n    </UI>\n  </Extra>\n</Session>',
		route_id, processor_id)
	local marked, count = string.gsub (text, "</Session>%s*$", function () return window .. "\n" end)
	if count ~= 1 then
		fail ("the saved session " .. session_file .. " does not end with </Session>")
	end
	file = io.open (session_file, "w")
	if not file or not file:write (marked) or not file:close () then
		fail ("cannot write the session " .. session_file)
	end
end

-- Saves the session with the plug-in's editor marked open, for Ardour's GUI.
local function save_with_editor_open ()
	local route_id = track:to_stateful ():id ():to_s ()
	local processor_id = gate:to_stateful ():id ():to_s ()
	if Session:save_state ("", false, false, false, false, false) ~= 0 then
		fail ("cannot save the session")
	end
	local session_file = session_dir .. "/" .. Session:snap_name () .. ".ardour"
	close_session ()
	mark_editor_open (session_file, route_id, processor_id)
	say (string.format ("saved %s with the editor of processor %s on route %s marked open",
		session_file, processor_id, route_id))
end

-- Exports the master bus through our own format: 32-bit float WAV without analysis.
local function export_master ()
	local export = Session:simple_export ()
	if not export:set_preset (preset_id) then
		fail ("the export preset " .. preset_id .. " is not installed")
	end
	local folder, name = string.match (export_file, "^(.*)/([^/]+)%.wav$")
	if not folder then
		fail ("the export file must be an absolute .wav path: " .. export_file)
	end
	export:set_folder (folder)
	export:set_name (name)
	export:set_range (0, frames)
	if not export:run_export () then
		fail ("the export failed")
	end
	say ("exported " .. frames .. " frames to " .. export_file)
	close_session ()
end

-- Ardour's Lua interface can add a range but not mark it as the loop range, so the range is
-- saved, marked in the session file, and the session loaded again.
local function reload_with_loop_range (loop_start, loop_end)
	Session:locations ():add_range (Temporal.timepos_t (loop_start), Temporal.timepos_t (loop_end))
	if Session:save_state ("", false, false, false, false, false) ~= 0 then
		fail ("cannot save the session")
	end
	local name = Session:snap_name ()
	local session_file = session_dir .. "/" .. name .. ".ardour"
	close_session ()
	local file = io.open (session_file, "r")
	local text = file and file:read ("a")
	if file then file:close () end
	local marked, count = string.gsub (text or "", 'flags="IsRangeMarker"', 'flags="IsAutoLoop,IsHidden"')
	if count ~= 1 then
		fail ("the saved session " .. session_file .. " holds no range to mark as the loop")
	end
	file = io.open (session_file, "w")
	if not file or not file:write (marked) or not file:close () then
		fail ("cannot write the session " .. session_file)
	end
	if not load_session (session_dir, name) then
		fail ("cannot load the session again")
	end
end

-- Plays the session in real time through the moves a user makes: standing still, a locate
-- while stopped, playing, stopping, a jump while playing, a loop. Positions are in samples,
-- chosen from the bar's length so that they fall inside steps, not on their boundaries.
local function play_transport_moves (bar)
	local step = bar / 32
	local ui = ARDOUR.TransportRequestSource.TRS_UI
	local function wait (seconds, what)
		say (string.format ("%s for %g s from sample %d", what, seconds, Session:transport_sample ()))
		ARDOUR.LuaAPI.usleep (math.floor (seconds * 1000000))
	end
	local function locate (sample, disposition)
		Session:request_locate (math.floor (sample), false, disposition, ui)
	end
	-- The loop: from inside a full step of the first bar to the middle of a silent one.
	reload_with_loop_range (math.floor (2.3 * step), math.floor (9.5 * step))
	wait (0.6, "stopped at the start")
	locate (step - 100, ARDOUR.LocateTransportDisposition.MustStop)
	wait (0.6, "stopped after a locate")
	locate (3.4 * step, ARDOUR.LocateTransportDisposition.MustStop)
	wait (0.6, "stopped after a second locate")
	Session:request_roll (ui)
	wait (1.0, "rolling")
	Session:request_stop (false, false, ui)
	wait (0.6, "stopped")
	locate (bar + 9.7 * step, ARDOUR.LocateTransportDisposition.MustRoll)
	wait (0.8, "rolling after a jump")
	Session:request_play_loop (true, true)
	wait (2.0, "looping")
	Session:request_stop (false, false, ui)
	wait (0.6, "stopped after the loop")
	say ("transport moves done")
	close_session ()
end

if export_file == "open-editor" then
	save_with_editor_open ()
elseif export_file == "transport" then
	play_transport_moves (frames)
else
	export_master ()
end
