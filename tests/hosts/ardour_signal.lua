ardour {
	["type"]    = "dsp",
	name        = "Vexa Test Signal",
	category    = "Utility",
	license     = "MIT",
	author      = "Corvanta",
	description = [[The test signal of Vexa's host tests: two channels of sines computed from the transport position, silence while the transport stands or before the session start, so that every export of a session gets the same samples.]]
}

function dsp_ioconfig ()
	return { { audio_in = 2, audio_out = 2 } }
end

function dsp_run (ins, outs, n_samples)
	local pos = Session:transport_sample ()
	local rolling = Session:transport_rolling ()
	for c = 1, #outs do
		local a = {}
		for s = 1, n_samples do
			local t = pos + s - 1
			if rolling and t >= 0 then
				a[s] = 0.45 * math.sin (t * 0.013 * c) + 0.3 * math.sin (t * 0.0021) * math.sin (t * 0.00017)
			else
				a[s] = 0
			end
		end
		outs[c]:set_table (a, n_samples)
	end
end
