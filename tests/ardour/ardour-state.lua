-- What Ardour keeps of the plug-in when a session is saved, for run-ardour-state-test.sh. Run by
-- ardour7-lua (Ardour's headless Lua session tool) in two separate processes:
--
--   ardour7-lua ardour-state.lua save SESSION_DIR PLUGIN_FILE
--   ardour7-lua ardour-state.lua check SESSION_DIR WHAT
--
-- "save" does what a user does before saving a song: it selects "User 8" (the recording
-- plug-in renames it "My Stutter" then, as a host's rename would), gives "User 5" a pattern of
-- its own, selects "Total Stutter", raises its level 2 from silence to 0.75, and saves.
-- "check" opens the saved session and checks what came back: WHAT is "everything" (the
-- pattern of "User 5", the new name, the edited current program) or "parameters" (the 32
-- levels that were live when the session was saved, all a session without a chunk keeps).
-- Every failure ends the tool with exit status 2 and a message on stderr.

local function fail (message)
	io.stderr:write ("ardour-state.lua: ", message, "\n")
	os.exit (2)
end

local function say (message)
	io.stdout:write (message, "\n")
	io.stdout:flush ()
end

local mode, session_dir = arg[1], arg[2]
if #arg ~= 3 or (mode ~= "save" and mode ~= "check") then
	fail ("usage: ardour-state.lua save SESSION_DIR PLUGIN_FILE | check SESSION_DIR WHAT")
end
local session_name = "stepveil-state"

-- The levels the user gives "User 5": each step its own, k/32 (exact in every float).
local function user_pattern (step)
	return ((step * 7) % 33) / 32
end

-- "Total Stutter" as the factory made it: full on odd steps, silent on even ones.
local function stutter (step)
	return step % 2 == 0 and 1 or 0
end
local edited_step, edited_level = 1, 0.75

local backend = AudioEngine:set_backend ("None (Dummy)", "", "")
if not backend or AudioEngine:current_backend_name () ~= "Dummy" then
	fail ("the dummy audio backend is not available")
end
backend:set_buffer_size (1024)

local function select_program (plugin, name)
	local preset = plugin:preset_by_label (name)
	if not preset or preset.label ~= name then
		fail ("the plug-in offers no program \"" .. name .. "\"")
	end
	if not plugin:load_preset (preset) then
		fail ("cannot load the program \"" .. name .. "\"")
	end
end

local function level (processor, step)
	return ARDOUR.LuaAPI.get_processor_param (processor, step, true)
end

-- Fails unless the 32 live levels are those the function gives, step 0 to 31.
local function expect_levels (processor, what, expected)
	for step = 0, 31 do
		local found = level (processor, step)
		if math.abs (found - expected (step)) > 1e-6 then
			fail (string.format ("%s: level %d is %g, expected %g", what, step + 1, found,
				expected (step)))
		end
	end
	say (what .. ": all 32 levels as saved")
end

local function edited_stutter (step)
	return step == edited_step and edited_level or stutter (step)
end

if mode == "save" then
	local plugin_file = arg[3]
	if not create_session (session_dir, session_name, 48000) then
		fail ("cannot create a session in " .. session_dir)
	end
	local plugin_id = nil
	for info in ARDOUR.LuaAPI.list_plugins ():iter () do
		if info.type == ARDOUR.PluginType.LXVST and info.path == plugin_file then
			plugin_id = info.unique_id
		end
	end
	if not plugin_id then
		fail ("Ardour does not know the plug-in " .. plugin_file .. " (was it scanned?)")
	end
	local tracks = Session:new_audio_track (2, 2, nil, 1, "Gate",
		ARDOUR.PresentationInfo.max_order, ARDOUR.TrackMode.Normal, false)
	if tracks:size () ~= 1 then
		fail ("cannot add a stereo track")
	end
	local gate = ARDOUR.LuaAPI.new_plugin (Session, plugin_id, ARDOUR.PluginType.LXVST, "")
	if gate:isnil () or tracks:front ():add_processor_by_index (gate, 0, nil, true) ~= 0 then
		fail ("cannot add the plug-in to the track")
	end
	local plugin = gate:to_insert ():plugin (0)

	select_program (plugin, "User 8")
	select_program (plugin, "User 5")
	for step = 0, 31 do
		ARDOUR.LuaAPI.set_processor_param (gate, step, user_pattern (step))
	end
	select_program (plugin, "Total Stutter")
	ARDOUR.LuaAPI.set_processor_param (gate, edited_step, edited_level)
	expect_levels (gate, "before saving, \"Total Stutter\" edited", edited_stutter)
	if Session:save_state ("", false, false, false, false, false) ~= 0 then
		fail ("cannot save the session")
	end
	say ("saved " .. session_dir)
	close_session ()
	return
end

local what = arg[3]
if not load_session (session_dir, session_name) then
	fail ("cannot open the session in " .. session_dir)
end
local track = Session:route_by_name ("Gate")
if track:isnil () then
	fail ("the reopened session has no track \"Gate\"")
end
local gate = track:nth_plugin (0)
if gate:isnil () then
	fail ("the reopened session has no plug-in on its track")
end
local plugin = gate:to_insert ():plugin (0)

-- The levels live when the session was saved: what every host keeps.
expect_levels (gate, "reopened, the current program \"Total Stutter\" edited", edited_stutter)
if what == "everything" then
	local renamed = plugin:preset_by_label ("My Stutter")
	if not renamed or renamed.label ~= "My Stutter" then
		fail ("the renamed program \"My Stutter\" did not come back")
	end
	say ("reopened, program \"My Stutter\" is there (" .. renamed.uri .. ")")
	select_program (plugin, "User 5")
	expect_levels (gate, "reopened, \"User 5\" selected", user_pattern)
	select_program (plugin, "Total Stutter")
	expect_levels (gate, "reopened, \"Total Stutter\" selected again", edited_stutter)
elseif what ~= "parameters" then
	fail ("check what? \"everything\" or \"parameters\", not \"" .. what .. "\"")
end
close_session ()
