-- Loads a plug-in that Ardour found by itself into a session, by its name alone, for the
-- installed-package check (scripts/stages/70-package.sh). Run by ardour7-lua:
--
--   ardour7-lua load-by-name.lua SESSION_DIR NAME
--
-- Prints "found: FILE" for each Linux VST 2 plug-in of that name Ardour lists, then inserts
-- the one Ardour picks for the name on a stereo track and prints "loaded: NAME from FILE, N
-- programs". Every failure ends the tool with a non-zero exit status and a message on stderr.

local function fail (message)
	io.stderr:write ("load-by-name.lua: ", message, "\n")
	os.exit (2)
end

local function say (message)
	io.stdout:write (message, "\n")
	io.stdout:flush ()
end

if #arg ~= 2 then
	fail ("expected 2 arguments, got " .. #arg)
end
local session_dir = arg[1]
local name = arg[2]

-- The dummy backend needs no sound card.
local backend = AudioEngine:set_backend ("None (Dummy)", "", "")
if not backend or AudioEngine:current_backend_name () ~= "Dummy" then
	fail ("the dummy audio backend is not available")
end
if not create_session (session_dir, "stepveil-installed", 48000) then
	fail ("cannot create a session in " .. session_dir)
end

local found = 0
for info in ARDOUR.LuaAPI.list_plugins ():iter () do
	if info.type == ARDOUR.PluginType.LXVST and info.name == name then
		say ("found: " .. info.path)
		found = found + 1
	end
end
if found == 0 then
	fail ("Ardour lists no VST 2 plug-in named " .. name)
end

local tracks = Session:new_audio_track (2, 2, nil, 1, "Gate", ARDOUR.PresentationInfo.max_order,
	ARDOUR.TrackMode.Normal, false)
if tracks:size () ~= 1 then
	fail ("cannot add a stereo track")
end
local gate = ARDOUR.LuaAPI.new_plugin (Session, name, ARDOUR.PluginType.LXVST, "")
if gate:isnil () then
	fail ("Ardour cannot make the plug-in " .. name .. " by its name")
end
if tracks:front ():add_processor_by_index (gate, 0, nil, true) ~= 0 then
	fail ("cannot add the plug-in to the track")
end
local plugin = gate:to_insert ():plugin (0)
local programs = plugin:get_info ():get_presets (false):size ()
say (string.format ("loaded: %s from %s, %d programs", plugin:name (), plugin:get_info ().path,
	programs))
close_session ()
