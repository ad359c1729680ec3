ardour {
	["type"]    = "dsp",
	name        = "Constant Level Source",
	category    = "Utility",
	license     = "MIT",
	author      = "Stepveil tests",
	description = [[Replaces its stereo input with one constant value per channel, so that the output of a following gain stage is its gain, sample by sample.]]
}

function dsp_ioconfig ()
	return { [1] = { audio_in = 2, audio_out = 2 }, }
end

-- Different values on the two channels reveal swapped or mixed channels.
function dsp_params ()
	return {
		{ ["type"] = "input", name = "Left", min = -1, max = 1, default = 1 },
		{ ["type"] = "input", name = "Right", min = -1, max = 1, default = -0.5 },
	}
end

function dsp_run (ins, outs, n_samples)
	local levels = CtrlPorts:array ()
	ARDOUR.DSP.memset (outs[1], levels[1], n_samples)
	ARDOUR.DSP.memset (outs[2], levels[2], n_samples)
end
